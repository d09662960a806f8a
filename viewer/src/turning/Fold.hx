// The geometry of a page being turned like paper. Coordinates are in page units with the spine on x = 0
// and the turning sheet lying on [0, width] x [0, height]: a turn towards the left. The grabbed corner C
// follows the pointer P; the fold line is the perpendicular bisector of C and P; the part of the sheet on
// C's side of it is folded over, its back shown as the mirror image across the fold line.

typedef Pt = {
	var x:Float;
	var y:Float;
}

typedef FoldLine = {
	var mid:Pt;
	var normal:Pt; // unit vector pointing at the grabbed corner: the folded side
}

// An affine map in the player's order: x' = a x + c y + tx, y' = b x + d y + ty.
typedef Affine = {
	var a:Float;
	var b:Float;
	var c:Float;
	var d:Float;
	var tx:Float;
	var ty:Float;
}

class Fold {
	// The sheet stays bound to the spine: the pointer is kept within reach of both spine ends, measured
	// from the spine end on the grabbed edge (the sheet's width) and from the other end (its diagonal).
	public static function constrain(pointer:Pt, corner:Pt, width:Float, height:Float):Pt {
		var near = {x: 0.0, y: corner.y};
		var far = {x: 0.0, y: height - corner.y};
		var p = within(pointer, near, width);
		return within(p, far, Math.sqrt(width * width + height * height));
	}

	// Null when the pointer sits on the corner: nothing is folded.
	public static function line(corner:Pt, pointer:Pt):Null<FoldLine> {
		var dx = corner.x - pointer.x;
		var dy = corner.y - pointer.y;
		var length = Math.sqrt(dx * dx + dy * dy);
		if (length < 1e-6)
			return null;
		return {mid: {x: (corner.x + pointer.x) / 2, y: (corner.y + pointer.y) / 2}, normal: {x: dx / length, y: dy / length}};
	}

	public static function sheet(width:Float, height:Float):Array<Pt> {
		return [{x: 0.0, y: 0.0}, {x: width, y: 0.0}, {x: width, y: height}, {x: 0.0, y: height}];
	}

	// The part of a convex polygon on one side of the fold line (folded: C's side).
	public static function clip(polygon:Array<Pt>, fold:FoldLine, folded:Bool):Array<Pt> {
		var result = [];
		var sign = folded ? 1.0 : -1.0;
		for (i in 0...polygon.length) {
			var a = polygon[i];
			var b = polygon[(i + 1) % polygon.length];
			var da = sign * side(a, fold);
			var db = sign * side(b, fold);
			if (da >= 0)
				result.push(a);
			if ((da >= 0) != (db >= 0)) {
				var t = da / (da - db);
				result.push({x: a.x + t * (b.x - a.x), y: a.y + t * (b.y - a.y)});
			}
		}
		return result;
	}

	public static function reflection(fold:FoldLine):Affine {
		var nx = fold.normal.x;
		var ny = fold.normal.y;
		var offset = 2 * (fold.mid.x * nx + fold.mid.y * ny);
		return {
			a: 1 - 2 * nx * nx,
			b: -2 * nx * ny,
			c: -2 * nx * ny,
			d: 1 - 2 * ny * ny,
			tx: offset * nx,
			ty: offset * ny
		};
	}

	public static function apply(m:Affine, p:Pt):Pt {
		return {x: m.a * p.x + m.c * p.y + m.tx, y: m.b * p.x + m.d * p.y + m.ty};
	}

	// Where the corner is at step s (0 to 1) of an animated move from start to end: eased, and lifted a
	// little towards the middle of the page on long moves so the sheet curls instead of sliding flat.
	public static function travel(start:Pt, end:Pt, s:Float, width:Float, height:Float):Pt {
		var e = ease(s);
		var reach = Math.abs(end.x - start.x) / (2 * width);
		var lift = Math.sin(Math.PI * s) * height * 0.12 * reach;
		var towardsMiddle = start.y > height / 2 ? -1 : 1;
		return {x: start.x + (end.x - start.x) * e, y: start.y + (end.y - start.y) * e + towardsMiddle * lift};
	}

	// How far a turn has come (0 to 1) with the corner at p: used to continue a released drag.
	public static function progress(p:Pt, width:Float):Float {
		var t = (width - p.x) / (2 * width);
		return t < 0 ? 0 : (t > 1 ? 1 : t);
	}

	public static function ease(t:Float):Float {
		return t < 0.5 ? 2 * t * t : 1 - Math.pow(-2 * t + 2, 2) / 2;
	}

	static function side(p:Pt, fold:FoldLine):Float {
		return (p.x - fold.mid.x) * fold.normal.x + (p.y - fold.mid.y) * fold.normal.y;
	}

	static function within(p:Pt, centre:Pt, radius:Float):Pt {
		var dx = p.x - centre.x;
		var dy = p.y - centre.y;
		var distance = Math.sqrt(dx * dx + dy * dy);
		if (distance <= radius || distance < 1e-9)
			return p;
		return {x: centre.x + dx * radius / distance, y: centre.y + dy * radius / distance};
	}
}
