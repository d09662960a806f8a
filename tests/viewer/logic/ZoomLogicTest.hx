// Table-driven tests of zoom and the overview's grid: levels and the inputs that step them, zooming about
// the pointer, panning bounds (no background beside the pages, a lone cover centred), and which rows
// of thumbnails show, load and go as the grid scrolls. Run from ViewerLogicTest.
import OverviewGrid;
import Layout.Box;
import Zoom.Framing;

class ZoomLogicTest {
	static inline function check(condition:Bool, what:String, ?pos:haxe.PosInfos):Void {
		ViewerLogicTest.check(condition, what, pos);
	}

	static inline function same<T>(actual:T, expected:T, what:String, ?pos:haxe.PosInfos):Void {
		ViewerLogicTest.same(actual, expected, what, pos);
	}

	public static function run() {
		levelsAndTheirInputs();
		zoomKeepsThePointUnderThePointer();
		panningNeverShowsBackground();
		gridLayout();
		gridRowsInSightAndThumbnails();
		gridHitsAndScrolling();
	}

	static function levelsAndTheirInputs() {
		var steps:Array<{from:Float, steps:Int, to:Float}> = [
			{from: 1, steps: 1, to: 2}, {from: 2, steps: 1, to: 4}, {from: 4, steps: 1, to: 4},
			{from: 4, steps: -1, to: 2}, {from: 1, steps: -1, to: 1}, {from: 1, steps: 2, to: 4},
			{from: 2.7, steps: 1, to: 4}, {from: 2.7, steps: -1, to: 2}, {from: 1.2, steps: -1, to: 1},
			{from: 2, steps: 0, to: 2}
		];
		for (c in steps)
			same(Zoom.stepLevel(c.from, c.steps), c.to, 'from ${c.from} by ${c.steps}');
		for (c in [{f: 2.7, to: 2.0}, {f: 2.9, to: 4.0}, {f: 1.3, to: 1.0}, {f: 1.5, to: 2.0}, {f: 9.0, to: 4.0}, {f: 0.5, to: 1.0}])
			same(Zoom.nearestLevel(c.f), c.to, 'pinch released at ${c.f}');
		var pinches:Array<{start:Float, from:Float, to:Float, factor:Float}> = [
			{start: 1, from: 100, to: 300, factor: 3}, {start: 1, from: 100, to: 50, factor: 1},
			{start: 2, from: 100, to: 1000, factor: 4}, {start: 2, from: 0, to: 100, factor: 2}, {start: 4, from: 200, to: 100, factor: 2}
		];
		for (c in pinches)
			same(Zoom.pinchFactor(c.start, c.from, c.to), c.factor, 'pinch ${c.from} to ${c.to} from ${c.start}x');
		var keys:Array<{key:Int, char:Int, steps:Int}> = [
			{key: 187, char: "+".code, steps: 1}, {key: 187, char: "=".code, steps: 1}, {key: 107, char: 0, steps: 1},
			{key: 189, char: "-".code, steps: -1}, {key: 109, char: 0, steps: -1}, {key: 65, char: "a".code, steps: 0},
			{key: 39, char: 0, steps: 0}
		];
		for (c in keys)
			same(Zoom.keySteps(c.key, c.char), c.steps, 'key ${c.key}/${c.char}');
		same(Zoom.wheelSteps(3, false), 0, "a plain wheel does not zoom");
		same(Zoom.wheelSteps(3, true), 1, "Ctrl and wheel up zoom in");
		same(Zoom.wheelSteps(-1, true), -1, "Ctrl and wheel down zoom out");
		same([for (f in [1.0, 2.0, 2.7, 4.0]) Zoom.doubleTapFactor(f)], [2.0, 1.0, 1.0, 1.0], "a double tap zooms in, or out from any zoom");
		check(Zoom.isDoubleTap(1000, 50, 50, 1300, 60, 45), "a second tap close by is a double tap");
		check(!Zoom.isDoubleTap(1000, 50, 50, 1500, 50, 50), "a second tap too late is not");
		check(!Zoom.isDoubleTap(1000, 50, 50, 1100, 150, 50), "a second tap far away is not");
	}

	static function zoomKeepsThePointUnderThePointer() {
		var from:Array<Framing> = [{scale: 0.8, x: 640, y: 20}, {scale: 1.6, x: 100, y: -300}, {scale: 3.2, x: -900, y: -40}];
		var pointers = [{x: 640.0, y: 400.0}, {x: 3.0, y: 700.0}, {x: 1200.0, y: 10.0}];
		for (p in from)
			for (at in pointers) {
				var to = Zoom.zoomAt(p, p.scale * 2, at.x, at.y);
				var before = (at.x - p.x) / p.scale;
				var after = (at.x - to.x) / to.scale;
				check(Math.abs(before - after) < 1e-9 && Math.abs((at.y - p.y) / p.scale - (at.y - to.y) / to.scale) < 1e-9,
					'scale ${p.scale} at ${at.x},${at.y}: the page point stays under the pointer');
			}
	}

	static function panningNeverShowsBackground() {
		var room:Box = {x: 0, y: 0, width: 1280, height: 756};
		var spread:Box = {x: -595, y: 0, width: 1190, height: 842};
		var cover:Box = {x: 0, y: 0, width: 595, height: 842};
		var backCover:Box = {x: -595, y: 0, width: 595, height: 842};
		var wide:Box = {x: 0, y: 0, width: 1600, height: 400};
		var cases:Array<{pages:Box, scale:Float, what:String}> = [
			{pages: spread, scale: 1.8, what: "spread larger than the room"},
			{pages: cover, scale: 1.8, what: "cover alone, taller than the room, narrower"},
			{pages: backCover, scale: 1.8, what: "back cover alone"},
			{pages: cover, scale: 0.5, what: "cover smaller than the room"},
			{pages: wide, scale: 1.5, what: "wide page, wider but lower than the room"}
		];
		var pulls = [{x: -1e5, y: -1e5}, {x: 1e5, y: 1e5}, {x: -1e5, y: 1e5}, {x: 0.0, y: 0.0}, {x: 640.0, y: -200.0}];
		for (c in cases)
			for (pull in pulls) {
				var p = Zoom.clamp({scale: c.scale, x: pull.x, y: pull.y}, c.pages, room);
				var left = p.x + c.pages.x * c.scale;
				var right = left + c.pages.width * c.scale;
				var top = p.y + c.pages.y * c.scale;
				var bottom = top + c.pages.height * c.scale;
				var where = '${c.what}, pulled to ${pull.x},${pull.y}';
				if (c.pages.width * c.scale >= room.width)
					check(left <= room.x + 1e-9 && right >= room.x + room.width - 1e-9, '$where: pages cover the room across');
				else
					check(Math.abs((left + right) / 2 - (room.x + room.width / 2)) < 1e-9, '$where: pages centred across');
				if (c.pages.height * c.scale >= room.height)
					check(top <= room.y + 1e-9 && bottom >= room.y + room.height - 1e-9, '$where: pages cover the room down');
				else
					check(Math.abs((top + bottom) / 2 - (room.y + room.height / 2)) < 1e-9, '$where: pages centred down');
			}
		var inside = Zoom.clamp({scale: 1.8, x: 500, y: -200}, spread, room);
		same([inside.x, inside.y], [500.0, -200.0], "a placement already inside the bounds is left alone");
	}

	static function gridLayout() {
		var cases:Array<{width:Float, wanted:Float, columns:Int}> = [
			{width: 390, wanted: 96, columns: 3}, {width: 1280, wanted: 140, columns: 8}, {width: 200, wanted: 140, columns: 2},
			{width: 1920, wanted: 140, columns: 12}
		];
		for (c in cases) {
			var grid = new OverviewGrid(1000, c.width, 700, 595, 842, c.wanted);
			same(grid.columns, c.columns, 'columns in ${c.width}');
			var used = grid.columns * grid.thumbWidth + (grid.columns - 1) * OverviewGrid.GAP;
			check(grid.left >= 0 && grid.left + used <= c.width + 1e-9, 'width ${c.width}: the grid fits across');
			check(Math.abs(grid.thumbHeight / grid.thumbWidth - 842 / 595) < 1e-9, 'width ${c.width}: thumbnails keep the page shape');
		}
		var short = new OverviewGrid(10, 1280, 200, 595, 842);
		check(short.stepY() <= 200, "a short room still shows a whole row");
		same(new OverviewGrid(1000, 1280, 700, 595, 842).rows, 125, "rows of a 1,000-page book");
		same(new OverviewGrid(0, 1280, 700, 595, 842).rowsInSight(0).last, -1, "an empty book shows no rows");
	}

	static function gridRowsInSightAndThumbnails() {
		var grid = new OverviewGrid(1000, 1280, 700, 595, 842);
		var sight = grid.rowsInSight(0);
		same(sight.first, 0, "top row in sight at the start");
		var atEnd = grid.rowsInSight(grid.maxScroll());
		same(atEnd.last, grid.rows - 1, "the last row in sight at the end");
		var shown = atEnd.last - atEnd.first + 1;
		check(shown >= 2 && shown <= Math.ceil(700 / grid.stepY()) + 1, 'rows in sight at the end: $shown');
		var middle = grid.maxScroll() / 2;
		var midSight = grid.rowsInSight(middle);
		var wanted = grid.wanted(middle);
		same(wanted.slice(0, (midSight.last - midSight.first + 1) * grid.columns), grid.pagesOfRows(midSight.first, midSight.last),
			"the rows in sight load first");
		same(wanted.length, (midSight.last - midSight.first + 3) * grid.columns, "and one row on either side");
		check(!Lambda.exists(wanted, function(p) return grid.rowOf(p) < midSight.first - 1 || grid.rowOf(p) > midSight.last + 1),
			"nothing further away is loaded");
		// Thumbnails held from the top of the book, after a jump to the middle: the far ones go, the
		// near ones are not loaded twice.
		var held = grid.wanted(0).concat(grid.pagesOfRows(midSight.first, midSight.first));
		var plan = grid.plan(held, middle);
		same(plan.unload, grid.wanted(0), "thumbnails far away are let go");
		check(plan.load.indexOf(midSight.first * grid.columns) < 0, "a held thumbnail is not loaded again");
		same(plan.load.length, wanted.length - grid.columns, "the rest of the wanted ones load");
		// Scrolling by a row at a time keeps the rows just left behind.
		var next = grid.plan(grid.wanted(middle), middle + grid.stepY());
		same(next.unload, [], "a small scroll lets nothing go");
		var small = new OverviewGrid(5, 1280, 700, 595, 842);
		same(small.wanted(0), [0, 1, 2, 3, 4], "a short book loads all its pages");
		same(small.maxScroll(), 0, "and does not scroll");
	}

	static function gridHitsAndScrolling() {
		var grid = new OverviewGrid(1000, 1280, 700, 595, 842);
		var scroll = 1234.5;
		for (page in [0, 7, 8, 500, 999]) {
			var x = grid.cellX(page) + grid.thumbWidth / 2;
			var y = grid.cellY(page) + grid.thumbHeight / 2 - scroll;
			same(grid.pageAt(x, y, scroll), page, 'the middle of page ${page + 1}\'s thumbnail');
		}
		same(grid.pageAt(grid.cellX(1) - OverviewGrid.GAP / 2, grid.cellY(1) + 5, 0), null, "the gap between two thumbnails");
		same(grid.pageAt(grid.left - 3, grid.cellY(0) + 5, 0), null, "left of the grid");
		var lastRow = new OverviewGrid(10, 1280, 700, 595, 842);
		same(lastRow.pageAt(lastRow.cellX(10) + 5, lastRow.cellY(10) + 5, 0), null, "beyond the last page of a short last row");
		same(grid.scrollToShow(0), 0, "the first page needs no scroll");
		same(grid.scrollToShow(999), grid.maxScroll(), "the last page scrolls to the end");
		var middle = grid.scrollToShow(500);
		var sight = grid.rowsInSight(middle);
		check(sight.first <= grid.rowOf(500) && grid.rowOf(500) <= sight.last, "a page scrolled to is in sight");
		same([grid.clampScroll(-5), grid.clampScroll(1e9), grid.clampScroll(Math.NaN)], [0, grid.maxScroll(), 0], "scroll bounds");
	}
}
