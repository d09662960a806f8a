// Where the book lies in the window, in pure geometry (no player needed, so it is tested under the
// interpreter): the reading area left by the margins and the panel, spreads or single pages, the scale
// that fits them, the position of the spine, the slot each page of a view stands in and the box a page
// of its own shape takes in it, and which part of a page a press grabs to turn it.
// Book units: the page list's page size, the spine on x = 0, the right-hand page on [0, width].
import Fold.Pt;

typedef Box = {
	var x:Float;
	var y:Float;
	var width:Float;
	var height:Float;
}

typedef Placement = {
	var spread:Bool;
	var scale:Float;
	var x:Float; // stage position of the book's origin (the spine, or a single page's left edge)
	var y:Float;
}

// Where one page of a view stands, in book units.
typedef PageSlot = {
	var page:Int;
	var x:Float;
	var width:Float;
	var align:Int; // -1: against the slot's right edge (the spine), 1: its left edge, 0: centred
}

typedef Grab = {
	var forward:Bool;
	var corner:Pt; // the corner of the turning sheet the press takes, in the right-hand page's units
}

class Layout {
	public static inline var MARGIN = 16.0;
	public static inline var EDGE = 0.14; // share of a page's width that grabs its outer edge

	public static function area(stageWidth:Float, stageHeight:Float, panelHeight:Float):Box {
		return {
			x: MARGIN,
			y: MARGIN,
			width: Math.max(1, stageWidth - 2 * MARGIN),
			height: Math.max(1, stageHeight - panelHeight - 2 * MARGIN)
		};
	}

	public static function place(area:Box, spread:Bool, pageWidth:Float, pageHeight:Float):Placement {
		var scale = Navigation.fitScale(spread, area.width, area.height, pageWidth, pageHeight);
		var middle = area.x + area.width / 2;
		return {
			spread: spread,
			scale: scale,
			x: spread ? middle : middle - pageWidth * scale / 2,
			y: area.y + (area.height - pageHeight * scale) / 2
		};
	}

	// The slots of a view's pages: spread pages against the spine, a single page centred, a wide page
	// across both sides.
	public static function pageSlots(slots:Views.ViewSlots, spread:Bool, width:Float):Array<PageSlot> {
		if (slots.across)
			return [{page: slots.right, x: -width, width: 2 * width, align: 0}];
		var result:Array<PageSlot> = [];
		if (slots.left >= 0)
			result.push({page: slots.left, x: -width, width: width, align: -1});
		if (slots.right >= 0)
			result.push({page: slots.right, x: 0.0, width: width, align: spread ? 1 : 0});
		return result;
	}

	// A page of its own shape (natural size) as large as a slot allows, vertically centred.
	public static function fitBox(naturalWidth:Float, naturalHeight:Float, slotWidth:Float, slotHeight:Float, align:Int):Box {
		var scale = Math.min(slotWidth / naturalWidth, slotHeight / naturalHeight);
		var w = naturalWidth * scale;
		var h = naturalHeight * scale;
		return {
			x: align < 0 ? slotWidth - w : (align > 0 ? 0 : (slotWidth - w) / 2),
			y: (slotHeight - h) / 2,
			width: w,
			height: h
		};
	}

	// A box seen in a mirror that maps [0, width] onto itself: how the page layer of a book that reads
	// right to left sees a page, and how the reader sees the layer (about the spine, width 0).
	public static function mirrorBox(b:Box, width:Float):Box {
		return {x: width - b.x - b.width, y: b.y, width: b.width, height: b.height};
	}

	// A press at (x, y) in book units near a page's outer edge may become a drag or a click that turns
	// the page; null elsewhere, or where there is no page to turn to.
	public static function grab(x:Float, y:Float, width:Float, height:Float, spread:Bool, canForward:Bool, canBack:Bool):Null<Grab> {
		if (y < 0 || y > height)
			return null;
		var corner:Pt = {x: width, y: y > height / 2 ? height : 0};
		var nextEdge = x > width * (1 - EDGE) && x <= width;
		var previousEdge = spread ? (x < -width * (1 - EDGE) && x >= -width) : (x >= 0 && x < width * EDGE);
		if (nextEdge && canForward)
			return {forward: true, corner: corner};
		if (previousEdge && canBack)
			return {forward: false, corner: corner};
		return null;
	}
}
