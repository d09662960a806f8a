// Zoom levels and where the zoomed book lies: the levels as factors of the fitted size, zooming about a
// point that stays under the reader's pointer or fingers, panning that never uncovers background beside
// the shown pages, and the wheel, keys, pinch and double taps that ask for a level. No player needed.
import Layout.Box;

// Where the book layer lies on the stage: its scale and the stage position of its origin (the spine of
// a spread, the left edge of a single page, at the top of the pages). Boxes are the stage room the book
// may fill and, in book units, the pages shown.
typedef Framing = {
	var scale:Float;
	var x:Float;
	var y:Float;
}

class Zoom {
	// Factors of the fitted scale; the first one is the fitted book itself.
	public static var LEVELS(default, never):Array<Float> = [1.0, 2.0, 4.0];
	public static inline var DOUBLE_TAP_MS = 400.0;
	public static inline var DOUBLE_TAP_DISTANCE = 24.0; // a finger lands less precisely than a mouse
	static inline var CLOSE = 1e-6;

	public static function maxFactor():Float {
		return LEVELS[LEVELS.length - 1];
	}

	public static function isFitted(factor:Float):Bool {
		return factor <= LEVELS[0] + CLOSE;
	}

	// The level `steps` away from `factor`; a factor between levels (after a pinch) counts as lying
	// between them, so one step in either direction reaches the neighbour on that side.
	public static function stepLevel(factor:Float, steps:Int):Float {
		if (steps > 0) {
			for (level in LEVELS)
				if (level > factor + CLOSE && --steps == 0)
					return level;
			return maxFactor();
		}
		if (steps < 0) {
			var i = LEVELS.length;
			while (--i >= 0)
				if (LEVELS[i] < factor - CLOSE && ++steps == 0)
					return LEVELS[i];
			return LEVELS[0];
		}
		return factor;
	}

	// The level nearest to a free factor, by ratio: fingers that stop at 2.9x settle at 4x, at 2.7x at 2x.
	public static function nearestLevel(factor:Float):Float {
		var best = LEVELS[0];
		for (level in LEVELS)
			if (Math.abs(Math.log(level / factor)) < Math.abs(Math.log(best / factor)))
				best = level;
		return best;
	}

	// The factor while two fingers move: the distance between them against the distance where they
	// landed, held within the levels.
	public static function pinchFactor(startFactor:Float, startDistance:Float, distance:Float):Float {
		if (!(startDistance > 0) || !(distance > 0))
			return startFactor;
		var factor = startFactor * distance / startDistance;
		return factor < LEVELS[0] ? LEVELS[0] : (factor > maxFactor() ? maxFactor() : factor);
	}

	// The book scaled to `scale` about the stage point (px, py): the page point under it stays under it.
	public static function zoomAt(from:Framing, scale:Float, px:Float, py:Float):Framing {
		var bookX = (px - from.x) / from.scale;
		var bookY = (py - from.y) / from.scale;
		return {scale: scale, x: px - bookX * scale, y: py - bookY * scale};
	}

	public static function panBy(from:Framing, dx:Float, dy:Float):Framing {
		return {scale: from.scale, x: from.x + dx, y: from.y + dy};
	}

	// Keeps the shown pages (`pages`, in book units) over the room (`room`, on the stage): along an axis
	// where they are larger than the room no background shows beside them; along one where they are
	// smaller they are centred, so a cover alone on one side of a spread sits in the middle.
	public static function clamp(placement:Framing, pages:Box, room:Box):Framing {
		var s = placement.scale;
		return {
			scale: s,
			x: clampAxis(placement.x, pages.x * s, pages.width * s, room.x, room.width),
			y: clampAxis(placement.y, pages.y * s, pages.height * s, room.y, room.height)
		};
	}

	static function clampAxis(origin:Float, start:Float, size:Float, roomStart:Float, roomSize:Float):Float {
		if (size <= roomSize)
			return roomStart + (roomSize - size) / 2 - start;
		var low = roomStart + roomSize - (start + size); // the far edge of the pages on the room's far edge
		var high = roomStart - start; // the near edge of the pages on the room's near edge
		return origin < low ? low : (origin > high ? high : origin);
	}

	// Steps asked for by a wheel turn: only with Ctrl (a plain wheel belongs to the page or the browser).
	public static function wheelSteps(delta:Float, ctrl:Bool):Int {
		if (!ctrl || delta == 0 || Math.isNaN(delta))
			return 0;
		return delta > 0 ? 1 : -1;
	}

	// Steps asked for by a key: + and = (the + key without Shift), - and the keypad's; 0 for any other.
	public static function keySteps(keyCode:Int, charCode:Int):Int {
		return switch (charCode) {
			case "+".code | "=".code: 1;
			case "-".code | "_".code: -1;
			default: switch (keyCode) {
					case 107 | 187: 1; // keypad +, the = + key
					case 109 | 189: -1; // keypad -, the - _ key
					default: 0;
				}
		}
	}

	// A second press soon after the first and near it: a double click or a double tap.
	public static function isDoubleTap(firstMs:Float, firstX:Float, firstY:Float, ms:Float, x:Float, y:Float):Bool {
		return ms - firstMs >= 0 && ms - firstMs < DOUBLE_TAP_MS && Math.abs(x - firstX) < DOUBLE_TAP_DISTANCE
			&& Math.abs(y - firstY) < DOUBLE_TAP_DISTANCE;
	}

	// What a double tap does: from the fitted book one level in at the point, from any zoom back out.
	public static function doubleTapFactor(factor:Float):Float {
		return isFitted(factor) ? LEVELS[1] : LEVELS[0];
	}

	// A step of a zoom animation, eased: the point under the pointer moves as little as the ends allow.
	public static function between(a:Framing, b:Framing, t:Float):Framing {
		t = t <= 0 ? 0 : (t >= 1 ? 1 : t);
		var e = 1 - (1 - t) * (1 - t);
		return {scale: a.scale + (b.scale - a.scale) * e, x: a.x + (b.x - a.x) * e, y: a.y + (b.y - a.y) * e};
	}
}
