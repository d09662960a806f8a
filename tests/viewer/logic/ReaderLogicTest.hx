// Table-driven tests of the reader-facing logic that needs no player: page labels and the book's
// optional contents and search in the page list, the counter and the page field with labels, and the
// layout's geometry (where the book lies, which press grabs a page).
import ViewerLogicTest.check;
import ViewerLogicTest.same;

class ReaderLogicTest {
	public static function run() {
		labelsAndOptionalParts();
		counterAndPageFieldWithLabels();
		bookPlacementAndGrabs();
	}

	static function settingsOf(text:String):PageList.BookSettings {
		return switch (PageList.parse(text)) {
			case Parsed(s): s;
			case Malformed(reason): throw 'unexpectedly malformed: $reason';
		}
	}

	static function labelsAndOptionalParts() {
		var cases = [
			{name: "an older list", head: "", pages: "<page src='a.swf'/><page src='b.swf'/>", labels: "[null,null]", contents: false, search: false,
				index: null},
			{name: "labels and both parts", head: "index='data/book.json' contents='true' search='true'",
				pages: "<page src='a.swf' label='i'/><page src='b.swf' label='A&amp;B &lt;1&gt;'/>", labels: "[i,A&B <1>]", contents: true,
				search: true, index: "data/book.json"},
			{name: "a label missing or blank, parts off", head: "contents='false' search='no'",
				pages: "<page src='a.swf' label=' '/><page src='b.swf' label='2'/><page src='c.swf'/>", labels: "[null,2,null]", contents: false,
				search: false, index: null},
		];
		for (c in cases) {
			var s = settingsOf("<content width='5' height='7' " + c.head + ">" + c.pages + "</content>");
			same(Std.string(s.labels), c.labels, '${c.name}: labels');
			same(s.labels.length, s.pages.length, '${c.name}: a label slot per page');
			same(s.contents, c.contents, '${c.name}: contents');
			same(s.search, c.search, '${c.name}: search');
			same(s.index, c.index, '${c.name}: index file');
		}
	}

	static function counterAndPageFieldWithLabels() {
		var front:Array<Null<String>> = ["i", "ii", "1", "2", "3", "A-1"];
		var none:Array<Null<String>> = [null, null, null, null, null, null];
		var counters = [
			{labels: front, spread: true, view: 0, text: "i / 6"},
			{labels: front, spread: true, view: 1, text: "ii-1 / 6"},
			{labels: front, spread: false, view: 5, text: "A-1 / 6"},
			{labels: none, spread: true, view: 1, text: "2-3 / 6"},
			{labels: ["i", null, "1", "2", "3", "4"], spread: true, view: 1, text: "2-3 / 6"},
		];
		for (c in counters)
			same(Navigation.counter(c.spread, c.labels, c.view), c.text, 'counter of view ${c.view} with ${c.labels}');
		var typed:Array<{text:String, labels:Array<Null<String>>, page:Null<Int>}> = [
			{text: "ii", labels: front, page: 1},
			{text: " II ", labels: front, page: 1},
			{text: "1", labels: front, page: 2}, // the label before the position
			{text: "a-1", labels: front, page: 5},
			{text: "6", labels: front, page: 5}, // no such label: the position
			{text: "7", labels: front, page: null},
			{text: "iii", labels: front, page: null},
			{text: "", labels: front, page: null},
			{text: "4", labels: none, page: 3},
		];
		for (c in typed)
			same(Navigation.typedTarget(c.text, c.labels), c.page, 'typed "${c.text}"');
		// The counter's room is set from its longest possible text.
		same(Navigation.widestCounter([for (i in 0...1000) null]), "8888-8888 / 1000", "widest counter of 1000 pages");
		same(Navigation.widestCounter(["i", "xxviii", "1"]), "xxviii-xxviii / 3", "widest counter with labels");
	}

	static function bookPlacementAndGrabs() {
		var a = Layout.area(1024, 768, 44);
		same('${a.x} ${a.y} ${a.width} ${a.height}', "16 16 992 692", "reading area");
		var p = Layout.place(a, true, 595, 842);
		same(p.x, 512, "the spine in the middle of the window");
		check(Math.abs(p.y + 842 * p.scale / 2 - (16 + 692 / 2)) < 1e-9, "the spread centred vertically");
		var single = Layout.place(Layout.area(390, 844, 44), false, 595, 842);
		check(Math.abs(single.x + 595 * single.scale / 2 - 195) < 1e-9, "a single page centred across the window");
		var grabs:Array<{x:Float, y:Float, spread:Bool, forward:Null<Bool>, cornerY:Float}> = [
			{x: 590, y: 800, spread: true, forward: true, cornerY: 842},
			{x: 590, y: 10, spread: true, forward: true, cornerY: 0},
			{x: -590, y: 800, spread: true, forward: false, cornerY: 842},
			{x: 300, y: 400, spread: true, forward: null, cornerY: 0},
			{x: 590, y: 900, spread: true, forward: null, cornerY: 0},
			{x: 10, y: 400, spread: false, forward: false, cornerY: 0},
			{x: -10, y: 400, spread: false, forward: null, cornerY: 0},
		];
		for (g in grabs) {
			var grab = Layout.grab(g.x, g.y, 595, 842, g.spread, true, true);
			same(grab == null ? null : grab.forward, g.forward, 'press at ${g.x},${g.y} (spread=${g.spread})');
			if (grab != null)
				same(grab.corner.y, g.cornerY, 'corner taken at ${g.x},${g.y}');
		}
		same(Layout.grab(590, 800, 595, 842, true, false, true), null, "nothing to turn to past the last view");
	}
}
