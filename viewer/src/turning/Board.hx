// A stiff cover turning as a rigid board hinged at the spine, in pure geometry (tested under the
// interpreter). The board swings away from the reader as it rises, so its free edge draws shorter and
// nearer the spine; at the top of its swing it stands on edge, then comes down on the other side. The
// player has no perspective of its own, so each face is drawn as two triangles, each an affine image of
// its half of the page: exact at the corners, and close enough between them for a board in motion.
// Book units: the spine on x = 0, the board flat on the right on [0, width] x [0, height] at t = 0.
import Fold.Affine;
import Fold.Pt;

typedef BoardFace = {
	var front:Bool; // the front face is seen (t < 1/2), else the back
	var corners:Array<Pt>; // spine top, free top, free bottom, spine bottom
	var halves:Array<{from:Array<Pt>, to:Array<Pt>}>; // page triangles and where they are drawn
	var shade:Float; // 0: lit as the flat page, up to SHADE on edge
}

class Board {
	public static inline var EYE = 3.0; // the reader's distance from the page, in page widths
	public static inline var SHADE = 0.3;

	// How much nearer (smaller than 1) the free edge draws at the board's angle.
	public static function depthScale(angle:Float, width:Float):Float {
		return EYE * width / (EYE * width + width * Math.sin(angle));
	}

	// The board at step t (0: flat on the right, 1: flat on the left).
	public static function face(t:Float, width:Float, height:Float):BoardFace {
		var angle = Math.PI * (t < 0 ? 0 : (t > 1 ? 1 : t));
		var s = depthScale(angle, width);
		var freeX = width * Math.cos(angle) * s;
		var spineTop:Pt = {x: 0, y: 0};
		var spineBottom:Pt = {x: 0, y: height};
		var freeTop:Pt = {x: freeX, y: height / 2 * (1 - s)};
		var freeBottom:Pt = {x: freeX, y: height / 2 * (1 + s)};
		var front = Math.cos(angle) >= 0;
		// The front's left edge is at the spine; the back, which lies on the left once turned, has its
		// right edge there.
		var page = [{x: 0.0, y: 0.0}, {x: width, y: 0.0}, {x: width, y: height}, {x: 0.0, y: height}];
		var drawn = front ? [spineTop, freeTop, freeBottom, spineBottom] : [freeTop, spineTop, spineBottom, freeBottom];
		return {
			front: front,
			corners: [spineTop, freeTop, freeBottom, spineBottom],
			halves: [
				{from: [page[0], page[1], page[2]], to: [drawn[0], drawn[1], drawn[2]]},
				{from: [page[0], page[2], page[3]], to: [drawn[0], drawn[2], drawn[3]]}
			],
			shade: SHADE * Math.sin(angle)
		};
	}

	// The affine map taking three points onto three others; the identity for a degenerate triangle.
	public static function affine(from:Array<Pt>, to:Array<Pt>):Affine {
		var ux = from[1].x - from[0].x, uy = from[1].y - from[0].y;
		var vx = from[2].x - from[0].x, vy = from[2].y - from[0].y;
		var det = ux * vy - uy * vx;
		if (Math.abs(det) < 1e-9)
			return {a: 1, b: 0, c: 0, d: 1, tx: 0, ty: 0};
		var px = to[1].x - to[0].x, py = to[1].y - to[0].y;
		var qx = to[2].x - to[0].x, qy = to[2].y - to[0].y;
		// [a c; b d] = [p q] [u v]^-1
		var a = (px * vy - qx * uy) / det;
		var c = (qx * ux - px * vx) / det;
		var b = (py * vy - qy * uy) / det;
		var d = (qy * ux - py * vx) / det;
		return {a: a, b: b, c: c, d: d, tx: to[0].x - a * from[0].x - c * from[0].y, ty: to[0].y - b * from[0].x - d * from[0].y};
	}
}
