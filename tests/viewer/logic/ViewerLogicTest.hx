// Table-driven tests of the viewer's logic that needs no player: page list parsing, which pages a view
// shows and keeps loaded, deep links and typed page numbers, page file reading and the fold geometry.
// Run with `ctest -R viewer_logic`, which names every folder of viewer/src as a class path.
import Fold.Pt;
import PageList.PageListResult;
import haxe.io.Bytes;
import haxe.io.BytesBuffer;

class ViewerLogicTest {
	static var passed = 0;
	static var failed = 0;

	static function main() {
		pageListAcceptsTheToolsDocument();
		pageListColoursAndCovers();
		pageListRefusesBrokenDocuments();
		spreadsAndSinglePages();
		labelsAndViewsOfPages();
		pagesLoadedAndKept();
		windowShapeChoosesLayout();
		deepLinksAndTypedNumbers();
		pageFilesGiveSizeAndLinks();
		pageFilesThatCannotBeRead();
		linkEntries();
		foldGeometry();
		ReaderLogicTest.run();
		ZoomLogicTest.run();
		FindLogicTest.run();
		AccessLogicTest.run();
		DirectionLogicTest.run();
		BoardLogicTest.run();
		Sys.println('$passed passed, $failed failed');
		Sys.exit(failed == 0 ? 0 : 1);
	}

	public static function check(condition:Bool, what:String, ?pos:haxe.PosInfos):Void {
		if (condition) {
			passed++;
		} else {
			failed++;
			Sys.println('FAIL line ${pos.lineNumber}: $what');
		}
	}

	public static function same<T>(actual:T, expected:T, what:String, ?pos:haxe.PosInfos):Void {
		var a = Std.string(actual);
		var e = Std.string(expected);
		check(a == e, '$what: got $a, expected $e', pos);
	}

	// ---- page list ------------------------------------------------------------------------------

	static function head(attributes:String):String {
		return "<content " + attributes + ">\n<page src='data/test0001.swf'/>\n<page src='data/test0002.swf'/>\n</content>";
	}

	static function settingsOf(text:String):PageList.BookSettings {
		return switch (PageList.parse(text)) {
			case Parsed(s): s;
			case Malformed(reason): throw 'unexpectedly malformed: $reason';
		}
	}

	static function pageListAcceptsTheToolsDocument() {
		var text = "<content width='595' height='842' buttoncolor='5d5d61' panelcolor='5d5d61' textcolor='ffffff' "
			+ "backgroundcolor='cccccc' hcover='false' gotolabel='Go to'>\n"
			+ [for (i in 1...13) "<page src='data/test" + StringTools.lpad('$i', "0", 4) + ".swf'/>\n"].join("")
			+ "</content>";
		var s = settingsOf(text);
		same(s.width, 595, "width");
		same(s.height, 842, "height");
		same(s.pages.length, 12, "page count");
		same(s.pages[0], "data/test0001.swf", "first page");
		same(s.pages[11], "data/test0012.swf", "last page in list order");
		same(s.gotoLabel, "Go to", "field label");
		same(s.hardCover, false, "soft covers");
		same(settingsOf(head("width='595.5' height='841.89'")).width, 595.5, "fractional width");
		same(settingsOf(head("width='1e3' height='842'")).width, 1000, "exponent form");
		same(settingsOf("\u{FEFF}" + head("width='5' height='7'")).height, 7, "a byte-order mark is skipped");
		same(settingsOf("<?xml version='1.0'?>\n" + head("width='5' height='7'")).width, 5, "an XML declaration is allowed");
	}

	static function pageListColoursAndCovers() {
		var cases:Array<{attributes:String, button:Int, panel:Int, text:Int, background:Int, hard:Bool, label:String}> = [
			{attributes: "width='1' height='1' buttoncolor='ff0000' panelcolor='00ff00' textcolor='0000ff' backgroundcolor='123456' hcover='true' gotolabel='Page'",
				button: 0xff0000, panel: 0x00ff00, text: 0x0000ff, background: 0x123456, hard: true, label: "Page"},
			// missing attributes take the tool's defaults
			{attributes: "width='1' height='1'", button: 0x5d5d61, panel: 0x5d5d61, text: 0xffffff, background: 0xcccccc, hard: false, label: "Go to"},
			// an unreadable colour keeps its default instead of stopping the book
			{attributes: "width='1' height='1' buttoncolor='' panelcolor='red' textcolor='12345' backgroundcolor='1234567'",
				button: 0x5d5d61, panel: 0x5d5d61, text: 0xffffff, background: 0xcccccc, hard: false, label: "Go to"},
			{attributes: "width='1' height='1' buttoncolor='#ABCDEF' panelcolor='0x0a0b0c' hcover='TRUE' gotolabel=''",
				button: 0xabcdef, panel: 0x0a0b0c, text: 0xffffff, background: 0xcccccc, hard: true, label: ""},
			{attributes: "width='1' height='1' hcover='yes'", button: 0x5d5d61, panel: 0x5d5d61, text: 0xffffff, background: 0xcccccc, hard: false, label: "Go to"},
		];
		for (c in cases) {
			var s = settingsOf(head(c.attributes));
			same(s.buttonColor, c.button, c.attributes + " button");
			same(s.panelColor, c.panel, c.attributes + " panel");
			same(s.textColor, c.text, c.attributes + " text");
			same(s.backgroundColor, c.background, c.attributes + " background");
			same(s.hardCover, c.hard, c.attributes + " hcover");
			same(s.gotoLabel, c.label, c.attributes + " gotolabel");
		}
	}

	static function pageListRefusesBrokenDocuments() {
		var cases = [
			{text: "", reason: "root element"},
			{text: "not xml at all <", reason: "well-formed"},
			{text: "<content width='1' height='1'><page src='a.swf'/>", reason: "well-formed"},
			{text: "<book width='1' height='1'><page src='a.swf'/></book>", reason: "root element"},
			{text: head("height='842'"), reason: "width or height"},
			{text: head("width='abc' height='842'"), reason: "width or height"},
			{text: head("width='0' height='842'"), reason: "width or height"},
			{text: head("width='-5' height='842'"), reason: "width or height"},
			{text: head("width='595' height=''"), reason: "width or height"},
			{text: "<content width='1' height='1'></content>", reason: "no page"},
			{text: "<content width='1' height='1'><page/><page src=''/></content>", reason: "no page"},
			// an apostrophe inside a value breaks the quoting
			{text: head("width='1' height='1' gotolabel='Don't'"), reason: "well-formed"},
		];
		for (c in cases)
			switch (PageList.parse(c.text)) {
				case Parsed(_):
					check(false, 'accepted a broken page list: ${c.text}');
				case Malformed(reason):
					check(reason.indexOf(c.reason) >= 0, '"${c.text}" gave "$reason", expected it to mention "${c.reason}"');
			}
	}

	// ---- views ----------------------------------------------------------------------------------

	static function spreadsAndSinglePages() {
		var cases = [
			// spread?, pages, view, left, right
			{spread: true, pages: 12, view: 0, left: -1, right: 0},
			{spread: true, pages: 12, view: 1, left: 1, right: 2},
			{spread: true, pages: 12, view: 5, left: 9, right: 10},
			{spread: true, pages: 12, view: 6, left: 11, right: -1}, // back cover alone on the left
			{spread: true, pages: 11, view: 5, left: 9, right: 10}, // odd count: last pair ends the book
			{spread: true, pages: 1, view: 0, left: -1, right: 0},
			{spread: true, pages: 2, view: 1, left: 1, right: -1},
			{spread: true, pages: 12, view: 7, left: -1, right: -1}, // past the end shows nothing
			{spread: false, pages: 12, view: 0, left: -1, right: 0},
			{spread: false, pages: 12, view: 11, left: -1, right: 11},
			{spread: false, pages: 12, view: 12, left: -1, right: -1},
		];
		for (c in cases) {
			var s = Navigation.slots(c.spread, c.pages, c.view);
			same('${s.left},${s.right}', '${c.left},${c.right}', 'slots spread=${c.spread} pages=${c.pages} view=${c.view}');
		}
		var counts = [
			{spread: true, pages: 12, views: 7}, {spread: true, pages: 11, views: 6}, {spread: true, pages: 1, views: 1},
			{spread: true, pages: 0, views: 0}, {spread: false, pages: 12, views: 12}, {spread: true, pages: 1000, views: 501},
		];
		for (c in counts)
			same(Navigation.viewCount(c.spread, c.pages), c.views, 'view count spread=${c.spread} pages=${c.pages}');
		// Every page is shown by exactly one view, the one viewOfPage names.
		for (spread in [true, false])
			for (pages in [1, 2, 3, 11, 12])
				for (p in 0...pages) {
					var v = Navigation.viewOfPage(spread, pages, p);
					check(Navigation.shownPages(spread, pages, v).indexOf(p) >= 0, 'page $p of $pages not in its view $v (spread=$spread)');
				}
	}

	static function labelsAndViewsOfPages() {
		var cases = [
			{spread: true, pages: 12, view: 0, label: "1 / 12", hash: "#page=1"},
			{spread: true, pages: 12, view: 1, label: "2-3 / 12", hash: "#page=2"},
			{spread: true, pages: 12, view: 6, label: "12 / 12", hash: "#page=12"},
			{spread: true, pages: 11, view: 5, label: "10-11 / 11", hash: "#page=10"},
			{spread: false, pages: 12, view: 6, label: "7 / 12", hash: "#page=7"},
		];
		for (c in cases) {
			same(Navigation.label(c.spread, c.pages, c.view), c.label, 'label of view ${c.view}');
			same(Navigation.hashForView(c.spread, c.pages, c.view), c.hash, 'address of view ${c.view}');
		}
		var pages = [
			{spread: true, page: -3, view: 0}, {spread: true, page: 0, view: 0}, {spread: true, page: 6, view: 3},
			{spread: true, page: 7, view: 4}, {spread: true, page: 99, view: 6}, {spread: false, page: 6, view: 6},
		];
		for (c in pages)
			same(Navigation.viewOfPage(c.spread, 12, c.page), c.view, 'view of page ${c.page} (spread=${c.spread})');
	}

	static function pagesLoadedAndKept() {
		same(Navigation.wantedPages(true, 12, 3), [5, 6, 7, 8, 3, 4], "wanted: shown first, then next and previous spreads");
		same(Navigation.wantedPages(true, 12, 0), [0, 1, 2], "wanted at the cover");
		same(Navigation.wantedPages(true, 12, 6), [11, 9, 10], "wanted at the back cover");
		same(Navigation.wantedPages(false, 12, 0), [0, 1], "wanted single page at the start");
		same(Navigation.keptPages(false, 12, 5), [5, 6, 4, 7, 3], "kept single pages");
		// In a long book the loaded set stays small wherever the reader is.
		for (view in [0, 1, 250, 499, 500]) {
			var kept = Navigation.keptPages(true, 1000, view);
			check(kept.length <= 10, 'view $view of a 1000-page book keeps ${kept.length} pages');
			for (p in Navigation.wantedPages(true, 1000, view))
				check(kept.indexOf(p) >= 0, 'page $p is wanted but not kept at view $view');
		}
	}

	static function windowShapeChoosesLayout() {
		var cases = [
			{w: 1280.0, h: 700.0, pw: 595.0, ph: 842.0, spread: true},
			{w: 700.0, h: 1000.0, pw: 595.0, ph: 842.0, spread: false}, // taller than wide
			{w: 800.0, h: 800.0, pw: 595.0, ph: 842.0, spread: false}, // square
			{w: 900.0, h: 860.0, pw: 595.0, ph: 842.0, spread: false}, // too narrow for two portrait pages
			{w: 1000.0, h: 900.0, pw: 595.0, ph: 842.0, spread: true},
			{w: 1600.0, h: 500.0, pw: 842.0, ph: 595.0, spread: true}, // landscape pages in a wide strip
			{w: 1000.0, h: 700.0, pw: 842.0, ph: 595.0, spread: false}, // landscape pages: spread would be tiny
		];
		for (c in cases)
			same(Navigation.useSpreads(c.w, c.h, c.pw, c.ph), c.spread, 'layout for ${c.w}x${c.h} with ${c.pw}x${c.ph} pages');
		same(Navigation.fitScale(true, 1190, 842, 595, 842), 1, "spread fits exactly");
		same(Navigation.fitScale(false, 1190, 421, 595, 842), 0.5, "single page limited by height");
	}

	static function deepLinksAndTypedNumbers() {
		var hashes:Array<{hash:Null<String>, page:Null<Int>}> = [
			{hash: "#page=12", page: 11}, {hash: "page=1", page: 0}, {hash: "#zoom=2&page=3", page: 2},
			{hash: "#page=0", page: null}, {hash: "#page=13", page: null}, {hash: "#page=x", page: null},
			{hash: "#page=", page: null}, {hash: "#", page: null}, {hash: "", page: null}, {hash: null, page: null},
			{hash: "#pages=3", page: null}, {hash: "#page=-2", page: null}, {hash: "#page=3.5", page: null},
		];
		for (c in hashes)
			same(Navigation.pageFromHash(c.hash, 12), c.page, 'page of address "${c.hash}"');
		var typed:Array<{text:Null<String>, page:Null<Int>}> = [
			{text: "7", page: 6}, {text: " 12 ", page: 11}, {text: "007", page: 6}, {text: "13", page: null},
			{text: "0", page: null}, {text: "", page: null}, {text: "1e1", page: null}, {text: "99999999999", page: null},
			{text: null, page: null},
		];
		for (c in typed)
			same(Navigation.typedPage(c.text, 12), c.page, 'typed page "${c.text}"');
		var full = ["data/test0001.swf", "data/test0002.swf", "data/test0003.swf"];
		var range = ["data/test0003.swf", "data/test0004.swf", "data/test0010.swf"];
		var unnumbered = ["data/a.swf", "data/b.swf"];
		var links:Array<{sources:Array<String>, pdfIndex:Int, index:Null<Int>}> = [
			{sources: full, pdfIndex: 1, index: 1}, {sources: range, pdfIndex: 9, index: 2},
			{sources: range, pdfIndex: 3, index: 1}, {sources: range, pdfIndex: 0, index: null},
			{sources: unnumbered, pdfIndex: 1, index: 1}, {sources: unnumbered, pdfIndex: 5, index: null},
		];
		for (c in links)
			same(Navigation.indexOfPdfPage(c.sources, c.pdfIndex), c.index, 'link to PDF page ${c.pdfIndex + 1} in ${c.sources}');
	}

	// ---- page files -----------------------------------------------------------------------------

	static function rect(x0:Int, x1:Int, y0:Int, y1:Int):Bytes {
		var n = 16;
		var bits = [for (i in 0...5) (n >> (4 - i)) & 1];
		for (v in [x0, x1, y0, y1])
			for (i in 0...n)
				bits.push((v >> (n - 1 - i)) & 1);
		while (bits.length % 8 != 0)
			bits.push(0);
		var out = Bytes.alloc(Std.int(bits.length / 8));
		for (i in 0...out.length) {
			var b = 0;
			for (k in 0...8)
				b = (b << 1) | bits[i * 8 + k];
			out.set(i, b);
		}
		return out;
	}

	static function tag(buffer:BytesBuffer, code:Int, body:Bytes, long = false):Void {
		if (!long && body.length < 0x3f) {
			buffer.addByte(((code << 6) | body.length) & 0xff);
			buffer.addByte(((code << 6) | body.length) >> 8);
		} else {
			buffer.addByte(((code << 6) | 0x3f) & 0xff);
			buffer.addByte(((code << 6) | 0x3f) >> 8);
			buffer.addInt32(body.length);
		}
		buffer.add(body);
	}

	public static function pageFile(width:Int, height:Int, metadata:Null<String>, compressed:Bool, longTags = false):Bytes {
		var body = new BytesBuffer();
		body.add(rect(0, width * 20, 0, height * 20));
		body.addByte(0);
		body.addByte(24);
		body.addByte(1);
		body.addByte(0);
		tag(body, 9, Bytes.ofHex("ffffff"), longTags); // background colour before the metadata
		if (metadata != null)
			tag(body, 77, Bytes.ofString(metadata + "\x00"), longTags);
		tag(body, 1, Bytes.alloc(0));
		tag(body, 0, Bytes.alloc(0));
		var content = body.getBytes();
		var file = new BytesBuffer();
		file.addString(compressed ? "CWS" : "FWS");
		file.addByte(6);
		file.addInt32(content.length + 8);
		file.add(compressed ? haxe.zip.Compress.run(content, 9) : content);
		return file.getBytes();
	}

	static var LINK = '<links><link page="7" x="100.00" y="642.00" width="395.00" height="100.00"/></links>';

	static function pageFilesGiveSizeAndLinks() {
		var cases = [
			{name: "plain", file: pageFile(893, 1263, LINK, false), links: 1},
			{name: "zlib-compressed", file: pageFile(893, 1263, LINK, true), links: 1},
			{name: "long tag headers", file: pageFile(893, 1263, LINK, false, true), links: 1},
			{name: "no metadata", file: pageFile(893, 1263, null, true), links: 0},
			{name: "metadata of another kind", file: pageFile(893, 1263, "<rdf:RDF/>", false), links: 0},
		];
		for (c in cases) {
			var info = PageFile.read(c.file);
			check(info != null, '${c.name}: unreadable');
			if (info == null)
				continue;
			same(info.stageWidth, 893, '${c.name}: stage width');
			same(info.stageHeight, 1263, '${c.name}: stage height');
			same(info.links.length, c.links, '${c.name}: links');
			if (c.links == 1) {
				var link = info.links[0];
				same('${link.page} ${link.x} ${link.y} ${link.width} ${link.height}', "6 100 642 395 100", '${c.name}: link');
			}
		}
	}

	static function pageFilesThatCannotBeRead() {
		var whole = pageFile(100, 100, LINK, true);
		var cases:Array<{name:String, file:Bytes}> = [
			{name: "empty", file: Bytes.alloc(0)},
			{name: "header only", file: whole.sub(0, 8)},
			{name: "not a page file", file: Bytes.ofString("<html>not found</html>")},
			{name: "compressed body cut short", file: whole.sub(0, 20)},
			{name: "LZMA body", file: Bytes.ofString("ZWS\x0dabcdefghijklmnop")},
		];
		for (c in cases)
			same(PageFile.read(c.file), null, c.name);
		// A tag that claims more bytes than the file holds ends the search without a crash.
		var plain = pageFile(100, 100, LINK, false);
		var cut = plain.sub(0, plain.length - 40);
		var info = PageFile.read(cut);
		check(info != null && info.links.length == 0, "truncated metadata tag gives no links");
	}

	static function linkEntries() {
		var cases = [
			{text: LINK, pages: [6]},
			{text: '<links><link page="1" x="0" y="0" width="1" height="1"/><link page="3" x="5.5" y="6" width="7" height="8"/></links>', pages: [0, 2]},
			{text: '<links><link page="0" x="0" y="0" width="1" height="1"/></links>', pages: []},
			{text: '<links><link page="2" x="a" y="0" width="1" height="1"/><link page="4" x="0" y="0" width="1" height="1"/></links>', pages: [3]},
			{text: '<links><link page="2" x="0" y="0" width="0" height="1"/></links>', pages: []},
			{text: '<links><link x="0" y="0" width="1" height="1"/></links>', pages: []},
			{text: '<links><link page="2"', pages: []},
			{text: '<other><link page="2" x="0" y="0" width="1" height="1"/></other>', pages: []},
		];
		for (c in cases)
			same([for (l in PageFile.parseLinks(c.text)) l.page], c.pages, 'links of ${c.text}');
	}

	// ---- fold -----------------------------------------------------------------------------------

	static function area(points:Array<Pt>):Float {
		var sum = 0.0;
		for (i in 0...points.length) {
			var a = points[i];
			var b = points[(i + 1) % points.length];
			sum += a.x * b.y - b.x * a.y;
		}
		return Math.abs(sum) / 2;
	}

	static function close(a:Float, b:Float):Bool {
		return Math.abs(a - b) < 1e-6;
	}

	static function foldGeometry() {
		var w = 100.0;
		var h = 140.0;
		var corner:Pt = {x: w, y: h};
		var pointers:Array<Pt> = [{x: 80, y: 120}, {x: 10, y: 130}, {x: -50, y: 100}, {x: -100, y: 140}, {x: 60, y: 140}];
		for (p in pointers) {
			var fold = Fold.line(corner, p);
			var kept = Fold.clip(Fold.sheet(w, h), fold, false);
			var folded = Fold.clip(Fold.sheet(w, h), fold, true);
			check(close(area(kept) + area(folded), w * h), 'pointer ${p.x},${p.y}: the sheet is split without loss');
			var mirrored = Fold.apply(Fold.reflection(fold), corner);
			check(close(mirrored.x, p.x) && close(mirrored.y, p.y), 'pointer ${p.x},${p.y}: the corner lands under the pointer');
			var flap = [for (q in folded) Fold.apply(Fold.reflection(fold), q)];
			check(close(area(flap), area(folded)), 'pointer ${p.x},${p.y}: the flap keeps its size');
		}
		// Fully turned: the whole sheet is folded and lies on the left page.
		var done = Fold.line(corner, {x: -w, y: h});
		check(close(area(Fold.clip(Fold.sheet(w, h), done, true)), w * h), "fully turned sheet is all folded");
		check(Fold.line(corner, corner) == null, "no fold while the pointer is on the corner");
		// The sheet may not tear from the spine.
		var far:Array<Pt> = [{x: -400, y: 140}, {x: 50, y: -300}, {x: 300, y: 500}, {x: -90, y: -90}];
		for (p in far) {
			var c = Fold.constrain(p, corner, w, h);
			check(Math.sqrt(c.x * c.x + (c.y - h) * (c.y - h)) <= w + 1e-6, 'pointer ${p.x},${p.y}: within the width of the bottom spine end');
			check(Math.sqrt(c.x * c.x + c.y * c.y) <= Math.sqrt(w * w + h * h) + 1e-6, 'pointer ${p.x},${p.y}: within the diagonal of the top spine end');
		}
		var inside:Pt = {x: 50, y: 120};
		var kept = Fold.constrain(inside, corner, w, h);
		check(kept.x == inside.x && kept.y == inside.y, "a reachable pointer is left alone");
		var start = Fold.travel({x: w, y: h}, {x: -w, y: h}, 0, w, h);
		var end = Fold.travel({x: w, y: h}, {x: -w, y: h}, 1, w, h);
		check(close(start.x, w) && close(end.x, -w) && close(end.y, h), "an animated turn runs corner to corner");
		check(Fold.travel({x: w, y: h}, {x: -w, y: h}, 0.5, w, h).y < h, "the corner lifts on the way");
		same(Fold.progress({x: 0, y: 0}, w), 0.5, "half way at the spine");
		same(Fold.progress({x: 500, y: 0}, w), 0, "progress bounded below");
		same(Fold.progress({x: -500, y: 0}, w), 1, "progress bounded above");
	}
}
