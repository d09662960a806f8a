// Where the book lies in the window, in pure geometry (no player needed, so it is tested under the
// interpreter): the reading area left by the margins and the panel, spreads or single pages, the scale
// that fits them, the position of the spine, and which part of a page a press grabs to turn it.
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
