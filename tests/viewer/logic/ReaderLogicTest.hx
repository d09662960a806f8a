// Table-driven tests of the reader-facing logic that needs no player: page labels and the book's
// optional contents and search in the page list, the counter and the page field with labels, the
// layout's geometry (where the book lies, which press grabs a page, each page's box at its own shape),
// the views of a book with wide pages, and when a swipe or a tap turns.
import ViewerLogicTest.check;
import ViewerLogicTest.same;

class ReaderLogicTest {
	public static function run() {
		labelsAndOptionalParts();
		counterAndPageFieldWithLabels();
		bookPlacementAndGrabs();
		pagesAtTheirOwnShape();
		viewsWithWidePages();
		swipesAndTaps();
		pageFilesCutShort();
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
		var said = [
			{shown: [0], labels: front, text: "Page i of 6"},
			{shown: [1, 2], labels: front, text: "Pages ii-1 of 6"},
			{shown: [3, 4], labels: none, text: "Pages 4-5 of 6"},
			{shown: [5], labels: null, text: "Page 6 of 6"},
			{shown: [], labels: front, text: "No page of 6"},
		];
		for (c in said)
			same(Navigation.announcement(c.shown, 6, c.labels), c.text, 'announcement of ${c.shown}');
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
		same(Navigation.widestCounter([for (i in 0...1000) null], true), "8888-8888 / 1000", "widest counter of 1000 pages in spreads");
		same(Navigation.widestCounter([for (i in 0...1000) null], false), "8888 / 1000", "widest counter of 1000 single pages");
		same(Navigation.widestCounter(["i", "xxviii", "1"], true), "xxviii-xxviii / 3", "widest counter with labels");
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

	static function pagesAtTheirOwnShape() {
		// A4 portrait slots (595 x 842) and pages of other shapes: each as large as the slot allows.
		var cases = [
			{name: "same shape", w: 595.0, h: 842.0, slotW: 595.0, align: 1, box: "0 0 595 842"},
			{name: "landscape in a page slot", w: 842.0, h: 595.0, slotW: 595.0, align: 0, box: "0 211 595 420"},
			{name: "landscape across the spread", w: 842.0, h: 595.0, slotW: 1190.0, align: 0, box: "0 1 1190 841"},
			{name: "slide across the spread", w: 960.0, h: 540.0, slotW: 1190.0, align: 0, box: "0 86 1190 669"},
			{name: "narrower page against the spine, left side", w: 420.0, h: 842.0, slotW: 595.0, align: -1, box: "175 0 420 842"},
			{name: "narrower page against the spine, right side", w: 420.0, h: 842.0, slotW: 595.0, align: 1, box: "0 0 420 842"},
		];
		for (c in cases) {
			var b = Layout.fitBox(c.w, c.h, c.slotW, 842, c.align);
			same('${Math.round(b.x)} ${Math.round(b.y)} ${Math.round(b.width)} ${Math.round(b.height)}', c.box, c.name);
			check(Math.abs(b.width / b.height - c.w / c.h) < 1e-9, '${c.name}: keeps its shape');
		}
		same(Views.isWide(842, 595, 595, 842), true, "landscape in a portrait book is wide");
		same(Views.isWide(612, 792, 595, 842), false, "letter in an A4 book is not");
		same(Views.isWide(842, 595, 842, 595), false, "landscape in a landscape book is not");
		var across = Layout.pageSlots({left: -1, right: 4, across: true}, true, 595);
		same(across.length == 1 && across[0].x == -595 && across[0].width == 1190, true, "a wide page's slot spans the spread");
	}

	static function viewsWithWidePages() {
		// Without wide pages the views are the plain spreads and single pages.
		for (spread in [true, false])
			for (pages in [1, 2, 5, 12]) {
				var v = new Views(spread, pages, new Map());
				same(v.count(), Navigation.viewCount(spread, pages), 'view count spread=$spread pages=$pages');
				for (view in 0...v.count()) {
					same(v.shownPages(view), Navigation.shownPages(spread, pages, view), 'pages of view $view (spread=$spread, $pages pages)');
					same(v.label(view), Navigation.label(spread, pages, view), 'label of view $view');
					same(v.hash(view), Navigation.hashForView(spread, pages, view), 'address of view $view');
					same(v.keptPages(view), Navigation.keptPages(spread, pages, view), 'kept pages of view $view');
				}
			}
		var cases:Array<{wide:Array<Int>, views:String}> = [
			{wide: [2], views: "0|1,-|2*|3,4|5,-"},
			{wide: [2, 4], views: "0|1,-|2*|3,-|4*|5,-"},
			{wide: [0], views: "0*|1,2|3,4|5,-"},
			{wide: [5], views: "0|1,2|3,4|5*"},
			{wide: [1, 2], views: "0|1*|2*|3,4|5,-"},
		];
		for (c in cases) {
			var wide = new Map<Int, Bool>();
			for (p in c.wide)
				wide.set(p, true);
			var v = new Views(true, 6, wide);
			var parts = [];
			for (view in 0...v.count()) {
				var s = v.slots(view);
				parts.push(s.across ? '${s.right}*' : (s.left < 0 ? '${s.right}' : '${s.left},' + (s.right < 0 ? "-" : '${s.right}')));
			}
			same(parts.join("|"), c.views, 'views with wide pages ${c.wide}');
			for (p in 0...6)
				check(v.shownPages(v.viewOfPage(p)).indexOf(p) >= 0, 'page $p in its view (wide ${c.wide})');
		}
		// Single pages stay one a view whatever their shape.
		same(new Views(false, 6, [2 => true]).count(), 6, "single pages with a wide one");
		same(new Views(true, 6, [2 => true]).counter(2, ["i", "ii", "1", "2", "3", "4"]), "1 / 6", "counter of a wide page's view");
	}

	static function swipesAndTaps() {
		// A 300-pixel page: a third is 100 pixels.
		var swipes = [
			{what: "forward past a third", forward: true, moved: -110.0, speed: 0.1, turns: true},
			{what: "forward short of a third, slowly", forward: true, moved: -90.0, speed: 0.1, turns: false},
			{what: "forward short, flicked", forward: true, moved: -40.0, speed: -0.9, turns: true},
			{what: "a flick too short to count", forward: true, moved: -10.0, speed: -2.0, turns: false},
			{what: "forward past a third, flicked back", forward: true, moved: -150.0, speed: 0.8, turns: false},
			{what: "forward past a third, eased back", forward: true, moved: -150.0, speed: 0.2, turns: true},
			{what: "forward drag ending the wrong way", forward: true, moved: 40.0, speed: 0.9, turns: false},
			{what: "back past a third", forward: false, moved: 110.0, speed: 0.0, turns: true},
			{what: "back short, flicked the other way", forward: false, moved: 60.0, speed: -0.9, turns: false},
			{what: "back flicked", forward: false, moved: 30.0, speed: 0.7, turns: true},
		];
		for (c in swipes)
			same(Gesture.turns(c.forward, c.moved, c.speed, 300), c.turns, c.what);
		same(Gesture.speed([[0.0, 0.0], [50.0, -10.0], [150.0, -20.0], [200.0, -70.0]]), -1, "pace over the last 100 ms");
		same(Gesture.speed([[0.0, 5.0]]), 0, "no pace from one sample");
		same(Gesture.speed([[0.0, 0.0], [290.0, -10.0], [300.0, -42.0], [300.0, -58.0]]), -3, "moves handed over together, from the one before, a frame apart at least");
		same(Gesture.speed([[0.0, 0.0], [300.0, -30.0], [300.0, -60.0]]), -0.2, "a batch after a pause: slow");
		same(Gesture.speed([[0.0, 0.0], [5.0, -40.0]]), -2.5, "at least a frame apart");
		same(Gesture.speed([[0.0, 0.0], [100.0, -50.0], [400.0, -60.0]]), -10 / 300, "a pause before the last move: slow");
		var taps:Array<{x:Float, spread:Bool, across:Bool, way:Null<Bool>}> = [
			{x: 500, spread: true, across: false, way: true},
			{x: 200, spread: true, across: false, way: null},
			{x: -200, spread: true, across: false, way: null},
			{x: -500, spread: true, across: false, way: false},
			{x: 500, spread: false, across: false, way: true},
			{x: 100, spread: false, across: false, way: false},
			{x: -100, spread: false, across: false, way: null},
			{x: -100, spread: true, across: true, way: false},
			{x: 100, spread: true, across: true, way: true},
		];
		for (t in taps)
			same(Gesture.tap(t.x, 400, 595, 842, t.spread, t.across), t.way, 'tap at ${t.x} (spread=${t.spread}, across=${t.across})');
		same(Gesture.tap(500, 900, 595, 842, true, false), null, "a tap below the page");
	}

	static function pageFilesCutShort() {
		var plain = ViewerLogicTest.pageFile(100, 100, null, false);
		var packed = ViewerLogicTest.pageFile(100, 100, null, true);
		var cases:Array<{name:String, file:Null<haxe.io.Bytes>, problem:Null<String>}> = [
			{name: "whole", file: plain, problem: null},
			{name: "whole, compressed", file: packed, problem: null},
			{name: "cut short", file: plain.sub(0, plain.length - 3), problem: "is cut short"},
			{name: "compressed, cut short", file: packed.sub(0, packed.length - 3), problem: "is cut short or damaged"},
			{name: "header only", file: plain.sub(0, 8), problem: "is cut short"},
			{name: "empty", file: haxe.io.Bytes.alloc(0), problem: "is empty or cut short"},
			{name: "nothing at all", file: null, problem: "is empty or cut short"},
			{name: "another kind of file, left to the player", file: haxe.io.Bytes.ofString("ZWS\x0dabcdefghijklmnop"), problem: null},
		];
		for (c in cases)
			same(PageFile.check(c.file).problem, c.problem, 'page file ${c.name}');
	}
}
