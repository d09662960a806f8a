// The arithmetic of the overview's thumbnail grid: how many columns fit the room, where each page's cell
// lies, which rows a scroll position shows, which thumbnails to load (the rows in sight and their
// neighbours, nearest first) and which to let go of (those far away), so a book of any length stays
// light. No player needed.

typedef GridPlan = {
	var load:Array<Int>; // pages to load, in the order they are wanted
	var unload:Array<Int>;
}

class OverviewGrid {
	public static inline var GAP = 14.0;
	public static inline var LABEL = 20.0; // room under a thumbnail for its page number
	public static inline var NEAR_ROWS = 1; // rows beyond those in sight whose thumbnails are loaded
	public static inline var KEPT_ROWS = 3; // rows beyond those in sight whose thumbnails are kept

	public var pageCount(default, null):Int;
	public var columns(default, null):Int;
	public var rows(default, null):Int;
	public var thumbWidth(default, null):Float;
	public var thumbHeight(default, null):Float;
	public var roomWidth(default, null):Float;
	public var roomHeight(default, null):Float;
	public var left(default, null):Float; // x of the first column's cell: the grid is centred
	public var rightToLeft(default, null):Bool; // rows run from the right, as the book reads

	// `wanted` is the thumbnail width aimed at; the columns share the room's width evenly, at least two.
	public function new(pageCount:Int, roomWidth:Float, roomHeight:Float, pageWidth:Float, pageHeight:Float, wanted = 140.0, rightToLeft = false) {
		this.rightToLeft = rightToLeft;
		this.pageCount = pageCount < 0 ? 0 : pageCount;
		this.roomWidth = Math.max(1, roomWidth);
		this.roomHeight = Math.max(1, roomHeight);
		columns = Std.int(Math.max(2, Math.floor((this.roomWidth - GAP) / (wanted + GAP))));
		var cell = Math.max(8, (this.roomWidth - GAP * (columns + 1)) / columns);
		var aspect = pageWidth > 0 && pageHeight > 0 ? pageHeight / pageWidth : Math.sqrt(2);
		// A tall page in a short room: no thumbnail taller than most of the room.
		var tallest = Math.max(8, this.roomHeight * 0.7 - LABEL);
		thumbWidth = Math.min(Math.min(cell, wanted * 1.4), tallest / aspect);
		thumbHeight = thumbWidth * aspect;
		rows = Std.int(Math.ceil(this.pageCount / columns));
		left = (this.roomWidth - (columns * thumbWidth + (columns - 1) * GAP)) / 2;
	}

	public inline function stepX():Float {
		return thumbWidth + GAP;
	}

	public inline function stepY():Float {
		return thumbHeight + LABEL + GAP;
	}

	public function contentHeight():Float {
		return GAP + rows * stepY();
	}

	public function maxScroll():Float {
		return Math.max(0, contentHeight() - roomHeight);
	}

	public function clampScroll(scroll:Float):Float {
		return Math.isNaN(scroll) || scroll < 0 ? 0 : Math.min(scroll, maxScroll());
	}

	// Top-left corner of a page's thumbnail in the grid's own coordinates (before scrolling).
	public function cellX(page:Int):Float {
		return left + placeInRow(page % columns) * stepX();
	}

	// The place from the left of the grid of a column counted in reading order, and back again.
	inline function placeInRow(column:Int):Int {
		return rightToLeft ? columns - 1 - column : column;
	}

	public function cellY(page:Int):Float {
		return GAP + Std.int(page / columns) * stepY();
	}

	public inline function rowOf(page:Int):Int {
		return Std.int(page / columns);
	}

	// The rows any part of which shows at this scroll; an empty range (last < first) for an empty book.
	public function rowsInSight(scroll:Float):{first:Int, last:Int} {
		if (rows == 0)
			return {first: 0, last: -1};
		var first = Math.floor((scroll - GAP) / stepY());
		var last = Math.floor((scroll + roomHeight - GAP) / stepY());
		return {first: first < 0 ? 0 : (first >= rows ? rows - 1 : first), last: last < 0 ? 0 : (last >= rows ? rows - 1 : last)};
	}

	public function pagesOfRows(first:Int, last:Int):Array<Int> {
		var pages = [];
		for (row in (first < 0 ? 0 : first)...((last >= rows ? rows - 1 : last) + 1))
			for (page in row * columns...Std.int(Math.min((row + 1) * columns, pageCount)))
				pages.push(page);
		return pages;
	}

	// Thumbnails to load for this scroll, rows in sight first, then the rows just beyond.
	public function wanted(scroll:Float):Array<Int> {
		var sight = rowsInSight(scroll);
		var pages = pagesOfRows(sight.first, sight.last);
		for (distance in 1...NEAR_ROWS + 1)
			pages = pages.concat(pagesOfRows(sight.last + distance, sight.last + distance))
				.concat(pagesOfRows(sight.first - distance, sight.first - distance));
		return pages;
	}

	public function isKept(page:Int, scroll:Float):Bool {
		var sight = rowsInSight(scroll);
		var row = rowOf(page);
		return page >= 0 && page < pageCount && row >= sight.first - KEPT_ROWS && row <= sight.last + KEPT_ROWS;
	}

	// What to start loading and what to drop, given the thumbnails held now.
	public function plan(held:Array<Int>, scroll:Float):GridPlan {
		return {
			load: [for (page in wanted(scroll)) if (held.indexOf(page) < 0) page],
			unload: [for (page in held) if (!isKept(page, scroll)) page]
		};
	}

	// The page whose thumbnail (or its number beneath) lies under a point of the room, if any.
	public function pageAt(x:Float, y:Float, scroll:Float):Null<Int> {
		var column = Math.floor((x - left) / stepX());
		var row = Math.floor((y + scroll - GAP) / stepY());
		if (column < 0 || column >= columns || row < 0 || row >= rows)
			return null;
		if (x - left - column * stepX() > thumbWidth || y + scroll - GAP - row * stepY() > thumbHeight + LABEL)
			return null;
		var page = row * columns + placeInRow(column);
		return page < pageCount ? page : null;
	}

	// The scroll that puts a page's row in the middle of the room, as far as the ends allow.
	public function scrollToShow(page:Int):Float {
		return clampScroll(cellY(page) + (thumbHeight + LABEL) / 2 - roomHeight / 2);
	}
}
