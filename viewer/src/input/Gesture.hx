// What the reader's pointer means for turning, in pure geometry (tested under the interpreter): whether
// a released drag or swipe turns the page (past a third of the page, or a fast flick that way), and which
// way a tap on a page turns (its outer half).
class Gesture {
	public static inline var TURN_SHARE = 1 / 3;
	public static inline var FLICK_SPEED = 0.5; // pixels per millisecond
	public static inline var FLICK_DISTANCE = 16.0; // pixels a flick must still cover, so a tremor is none
	static inline var FRAME_MS = 16.0;

	// `moved` and `speed` are horizontal (pixels, pixels per millisecond; negative: to the left), the page
	// width in the same pixels. A forward turn moves the sheet to the left. A sheet flicked back at the
	// end falls back however far it had come.
	public static function turns(forward:Bool, moved:Float, speed:Float, pageWidth:Float):Bool {
		var towards = forward ? -moved : moved;
		var pace = forward ? -speed : speed;
		if (pace < -FLICK_SPEED)
			return false;
		return towards > pageWidth * TURN_SHARE || (pace > FLICK_SPEED && towards > FLICK_DISTANCE);
	}

	// A horizontal move (or speed) on the stage as the turning sees it: in a book read right to left
	// the pages go the other way, so a move to the right is one towards the book's forward side.
	public static function alongReading(dx:Float, rightToLeft:Bool):Float {
		return rightToLeft ? -dx : dx;
	}

	// True: forward, false: back, null: no turn. (x, y) in book units, the spine on x = 0; `across`: one
	// wide page spans both sides of the spread.
	public static function tap(x:Float, y:Float, width:Float, height:Float, spread:Bool, across:Bool):Null<Bool> {
		if (y < 0 || y > height)
			return null;
		if (across)
			return x >= -width && x <= width ? x > 0 : null;
		if (!spread)
			return x >= 0 && x <= width ? x > width / 2 : null;
		if (x > width / 2 && x <= width)
			return true;
		if (x < -width / 2 && x >= -width)
			return false;
		return null;
	}

	// Pixels per millisecond over the samples of the last `window` milliseconds of movement ([time, x]
	// pairs, oldest first): the pace a drag was let go at. Moves the player hands over together count
	// from the sample before them, and at least a frame apart, never as infinitely fast.
	public static function speed(samples:Array<Array<Float>>, window = 100.0):Float {
		if (samples.length < 2)
			return 0;
		var last = samples[samples.length - 1];
		var first:Null<Array<Float>> = null;
		for (s in samples)
			if (last[0] - s[0] <= window && s[0] < last[0]) {
				first = s;
				break;
			}
		if (first == null) {
			var i = samples.length - 1;
			while (i > 0 && samples[i][0] >= last[0])
				i--;
			first = samples[i];
		}
		return (last[1] - first[1]) / Math.max(FRAME_MS, last[0] - first[0]);
	}
}
