// Which way a book reads, in pure arithmetic (tested under the interpreter): a book read right to left
// is laid out and turned like any other on a page layer seen in a mirror, so that its cover stands
// alone on the left, its spreads run from right to left and a forward turn lifts the left-hand page.
// Here: the frame of that layer in the book's units and the arrow keys that point the reading way.
typedef LayerFrame = {
	var scaleX:Float; // -1: mirrored
	var x:Float; // where the layer's origin lies in the book's units
}

class Reading {
	// The page layer of spreads mirrors about the spine (x = 0); a single page, which lies on
	// [0, width], about its own middle, so that it stays where it is.
	public static function pageLayerFrame(spread:Bool, width:Float, rightToLeft:Bool):LayerFrame {
		if (!rightToLeft)
			return {scaleX: 1, x: 0};
		return {scaleX: -1, x: spread ? 0 : width};
	}

	// Where a point of the page layer lies across the book as the reader sees it.
	public static function seenAt(frame:LayerFrame, x:Float):Float {
		return frame.x + frame.scaleX * x;
	}

	// The left and right arrows: true for the one pointing the way the book reads (forward), false for
	// the other, null for any other key.
	public static function arrowForward(keyCode:Int, rightToLeft:Bool):Null<Bool> {
		return switch (keyCode) {
			case 37: rightToLeft; // left
			case 39: !rightToLeft; // right
			default: null;
		}
	}
}
