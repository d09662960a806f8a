// Table-driven tests of reading direction without a player: the page list's direction and download,
// where each page of a view stands as the reader sees it in either direction, which way presses, taps,
// swipes and the arrow keys turn, and the overview's rows.
import ViewerLogicTest.check;
import ViewerLogicTest.same;

class DirectionLogicTest {
	static inline var W = 595.0;
	static inline var H = 842.0;

	public static function run() {
		directionAndDownloadInThePageList();
		pagesWhereTheReaderSeesThem();
		pressesAndTapsByDirection();
		swipesByDirection();
		arrowKeysByDirection();
		overviewRowsByDirection();
	}

	static function settingsOf(head:String):PageList.BookSettings {
		return switch (PageList.parse("<content width='5' height='7' " + head + "><page src='a.swf'/></content>")) {
			case Parsed(s): s;
			case Malformed(reason): throw 'unexpectedly malformed: $reason';
		}
	}

	static function directionAndDownloadInThePageList() {
		var cases:Array<{head:String, rtl:Bool, download:Null<String>}> = [
			{head: "", rtl: false, download: null}, // an older book
			{head: "direction='rtl'", rtl: true, download: null},
			{head: "direction=' RTL '", rtl: true, download: null},
			{head: "direction='ltr'", rtl: false, download: null},
			{head: "direction='r2l'", rtl: false, download: null},
			{head: "download='data/book.pdf'", rtl: false, download: "data/book.pdf"},
			{head: "download=' '", rtl: false, download: null},
		];
		for (c in cases) {
			var s = settingsOf(c.head);
			same(s.rightToLeft, c.rtl, '"${c.head}": right to left');
			same(s.download, c.download, '"${c.head}": download');
		}
	}

	// The middle of a page's slot as the reader sees it: left of the spine is negative.
	static function seenMiddle(slot:Layout.PageSlot, spread:Bool, rtl:Bool):Float {
		var frame = Reading.pageLayerFrame(spread, W, rtl);
		return Reading.seenAt(frame, slot.x + slot.width / 2);
	}

	static function pagesWhereTheReaderSeesThem() {
		// page (0-based), spread?, right to left?, the side it is seen on (-1 left, 1 right, 0 the middle)
		var cases = [
			{view: 0, page: 0, spread: true, rtl: false, side: 1}, // the cover alone on the right
			{view: 0, page: 0, spread: true, rtl: true, side: -1}, // ... on the left
			{view: 1, page: 1, spread: true, rtl: false, side: -1},
			{view: 1, page: 2, spread: true, rtl: false, side: 1},
			{view: 1, page: 1, spread: true, rtl: true, side: 1}, // page 2 on the right
			{view: 1, page: 2, spread: true, rtl: true, side: -1}, // page 3 on the left
			{view: 3, page: 5, spread: true, rtl: true, side: 1}, // the back cover alone on the right
			{view: 2, page: 2, spread: false, rtl: true, side: 0}, // a single page stays in the middle
			{view: 2, page: 2, spread: false, rtl: false, side: 0},
		];
		for (c in cases) {
			var views = new Views(c.spread, 6, new Map());
			var slot = Lambda.find(Layout.pageSlots(views.slots(c.view), c.spread, W), s -> s.page == c.page);
			var middle = seenMiddle(slot, c.spread, c.rtl);
			var side = c.spread ? (middle < 0 ? -1 : 1) : (Math.abs(middle - W / 2) < 1e-6 ? 0 : 2);
			same(side, c.side, 'page ${c.page + 1} of view ${c.view} (spread=${c.spread}, rtl=${c.rtl})');
		}
		// A narrower page stands against the spine on either side, in either direction.
		for (rtl in [false, true])
			for (align in [-1, 1]) {
				var slotX = align < 0 ? -W : 0.0;
				var inSlot = Layout.fitBox(300, H, W, H, align);
				var frame = Reading.pageLayerFrame(true, W, rtl);
				var a = Reading.seenAt(frame, slotX + inSlot.x);
				var b = Reading.seenAt(frame, slotX + inSlot.x + inSlot.width);
				var nearSpine = Math.min(Math.abs(a), Math.abs(b));
				same(Math.round(nearSpine), 0, 'narrow page of align $align against the spine (rtl=$rtl)');
			}
		same(Std.string(Layout.mirrorBox({x: 10, y: 5, width: 100, height: 50}, 595)), Std.string({x: 485, y: 5, width: 100, height: 50}),
			"a box in the mirror of its slot");
	}

	// Where the reader presses, as the page layer gets it (the inverse of seenAt).
	static function pressed(seenX:Float, spread:Bool, rtl:Bool):Float {
		var frame = Reading.pageLayerFrame(spread, W, rtl);
		return (seenX - frame.x) / frame.scaleX;
	}

	static function pressesAndTapsByDirection() {
		// x as seen: the left page's outer edge is at -W, the right page's at W (spreads).
		var grabs:Array<{x:Float, spread:Bool, rtl:Bool, forward:Null<Bool>}> = [
			{x: W - 10, spread: true, rtl: false, forward: true},
			{x: -W + 10, spread: true, rtl: false, forward: false},
			{x: -W + 10, spread: true, rtl: true, forward: true}, // the left-hand page turns forward
			{x: W - 10, spread: true, rtl: true, forward: false},
			{x: 10, spread: true, rtl: true, forward: null}, // by the spine nothing is grabbed
			{x: W - 10, spread: false, rtl: false, forward: true},
			{x: 10, spread: false, rtl: true, forward: true}, // a single page: its left edge goes forward
			{x: W - 10, spread: false, rtl: true, forward: false},
		];
		for (g in grabs) {
			var grab = Layout.grab(pressed(g.x, g.spread, g.rtl), 100, W, H, g.spread, true, true);
			same(grab == null ? null : grab.forward, g.forward, 'press at ${g.x} (spread=${g.spread}, rtl=${g.rtl})');
		}
		var taps:Array<{x:Float, spread:Bool, rtl:Bool, way:Null<Bool>}> = [
			{x: -500, spread: true, rtl: true, way: true}, // the left page's outer half
			{x: 500, spread: true, rtl: true, way: false},
			{x: 100, spread: false, rtl: true, way: true}, // the single page's left half
			{x: 500, spread: false, rtl: true, way: false},
			{x: 500, spread: false, rtl: false, way: true},
		];
		for (t in taps)
			same(Gesture.tap(pressed(t.x, t.spread, t.rtl), 400, W, H, t.spread, false), t.way, 'tap at ${t.x} (spread=${t.spread}, rtl=${t.rtl})');
	}

	static function swipesByDirection() {
		// A 300-pixel page; moves and speeds as the stage has them (negative: to the left).
		var cases = [
			{what: "left swipe, left to right", forward: true, rtl: false, moved: -150.0, speed: -0.2, turns: true},
			{what: "right swipe forward, left to right", forward: true, rtl: false, moved: 150.0, speed: 0.2, turns: false},
			{what: "right swipe, right to left", forward: true, rtl: true, moved: 150.0, speed: 0.2, turns: true},
			{what: "left swipe forward, right to left", forward: true, rtl: true, moved: -150.0, speed: -0.2, turns: false},
			{what: "right flick, right to left", forward: true, rtl: true, moved: 40.0, speed: 0.9, turns: true},
			{what: "left flick back, right to left", forward: false, rtl: true, moved: -40.0, speed: -0.9, turns: true},
			{what: "flicked back to the left after a long drag, right to left", forward: true, rtl: true, moved: 150.0, speed: -0.8,
				turns: false},
		];
		for (c in cases)
			same(Gesture.turns(c.forward, Gesture.alongReading(c.moved, c.rtl), Gesture.alongReading(c.speed, c.rtl), 300), c.turns, c.what);
		// A swipe begun inside a page turns the way it goes: forward when it goes against the reading.
		same(Gesture.alongReading(80, true) < 0, true, "a move to the right goes forward, right to left");
		same(Gesture.alongReading(80, false) < 0, false, "a move to the right goes back, left to right");
	}

	static function arrowKeysByDirection() {
		var cases:Array<{key:Int, rtl:Bool, forward:Null<Bool>}> = [
			{key: 39, rtl: false, forward: true},
			{key: 37, rtl: false, forward: false},
			{key: 37, rtl: true, forward: true},
			{key: 39, rtl: true, forward: false},
			{key: 40, rtl: true, forward: null}, // other keys are not arrows across
			{key: 36, rtl: true, forward: null},
		];
		for (c in cases)
			same(Reading.arrowForward(c.key, c.rtl), c.forward, 'key ${c.key} (rtl=${c.rtl})');
	}

	static function overviewRowsByDirection() {
		var ltr = new OverviewGrid(10, 1280, 700, W, H);
		var rtl = new OverviewGrid(10, 1280, 700, W, H, 140, true);
		var last = ltr.columns - 1;
		same(rtl.cellX(0), ltr.cellX(last), "the first page at the right end of the first row");
		same(rtl.cellX(last), ltr.cellX(0), "the row's last page at the left end");
		same(rtl.cellY(ltr.columns), ltr.cellY(ltr.columns), "the next row below, as in any book");
		for (page in [0, 3, last, last + 1, 9]) {
			var x = rtl.cellX(page) + rtl.thumbWidth / 2;
			var y = rtl.cellY(page) + rtl.thumbHeight / 2;
			same(rtl.pageAt(x, y, 0), page, 'a press on page ${page + 1}\'s thumbnail, right to left');
		}
		check(rtl.pageAt(ltr.cellX(9) + 5, ltr.cellY(9) + 5, 0) == null, "nothing where the last row has no page, right to left");
	}
}
