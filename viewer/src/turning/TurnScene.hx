// Draws the book in page units (spine on x = 0): an open view lying flat with its shadow and the crease
// of the spine, and each frame of a page turn: the page staying on the left, the page revealed
// underneath, the turning sheet's front cut along the fold and its back folded over, with shadows along
// the fold; or a stiff board swinging round the spine.
import Fold.Pt;
import flash.display.DisplayObject;
import flash.display.GradientType;
import flash.display.Shape;
import flash.display.Sprite;
import flash.geom.Matrix;

typedef TurnRoles = {
	var left:Null<PageView>; // stays on the left
	var front:Null<PageView>; // turning sheet, seen from the front (starts on the right)
	var back:Null<DisplayObject>; // its back (ends on the left); null: blank paper
	var under:Null<PageView>; // revealed on the right
	// Second views of a stiff board's faces, one for each half of the face; null: the face is drawn
	// from its one view.
	var ?frontTwin:Null<DisplayObject>;
	var ?backTwin:Null<DisplayObject>;
}

class TurnScene {
	static inline var BLANK_BACK = 0xf1f1ee;

	// An open view: its pages where their slots put them (book units) and, in a spread, the crease.
	public static function flat(layer:Sprite, placed:Array<{page:PageView, x:Float}>, spread:Bool, left:Bool, right:Bool, width:Float,
			height:Float):Void {
		clear(layer);
		for (p in placed)
			place(layer, p.page, new Matrix(1, 0, 0, 1, p.x, 0));
		if (spread)
			layer.addChild(spine(left, right, width, height));
	}

	// The book lies a little above the backdrop: a soft shadow down and to the right of its pages (boxes
	// in book units).
	public static function bookShadow(shadow:Shape, boxes:Array<Layout.Box>, width:Float):Void {
		shadow.graphics.clear();
		var step = width * 0.004;
		for (b in boxes)
			for (i in 1...5) {
				shadow.graphics.beginFill(0x000000, 0.045);
				shadow.graphics.drawRect(b.x - step * (i - 2), b.y + step * (i - 1), b.width + step * (2 * i - 2), b.height + step * i);
				shadow.graphics.endFill();
			}
	}

	// A soft crease down the middle of an open spread.
	static function spine(left:Bool, right:Bool, width:Float, height:Float):Shape {
		var crease = new Shape();
		var reach = width * 0.06;
		for (side in [left ? -1 : 0, right ? 1 : 0]) {
			if (side == 0)
				continue;
			var m = new Matrix();
			m.createGradientBox(reach, height, side < 0 ? Math.PI : 0, side < 0 ? -reach : 0, 0);
			crease.graphics.beginGradientFill(GradientType.LINEAR, [0, 0], [0.22, 0], [0, 255], m);
			crease.graphics.drawRect(side < 0 ? -reach : 0, 0, reach, height);
			crease.graphics.endFill();
		}
		return crease;
	}

	// The crease stays in the spine under the turning sheet.
	public static function soft(layer:Sprite, roles:TurnRoles, corner:Pt, pointer:Pt, width:Float, height:Float, spread:Bool):Void {
		clear(layer);
		place(layer, roles.left, new Matrix(1, 0, 0, 1, -width, 0));
		place(layer, roles.under, new Matrix());
		if (spread)
			layer.addChild(spine(roles.left != null, roles.under != null, width, height));
		var fold = Fold.line(corner, pointer);
		if (fold == null) {
			place(layer, roles.front, new Matrix());
			return;
		}
		var sheet = Fold.sheet(width, height);
		var kept = Fold.clip(sheet, fold, false);
		var folded = Fold.clip(sheet, fold, true);
		var flap = [for (p in folded) Fold.apply(Fold.reflection(fold), p)];
		if (roles.front != null) {
			place(layer, roles.front, new Matrix());
			if (kept.length >= 3)
				roles.front.mask = polygon(layer, kept);
			else
				roles.front.alpha = 0;
		}
		shade(layer, folded, fold.mid, fold.normal, width * 0.22, 0.35);
		var r = Fold.reflection(fold);
		if (roles.back != null) {
			var m = new Matrix(-1, 0, 0, 1, width, 0);
			m.concat(new Matrix(r.a, r.b, r.c, r.d, r.tx, r.ty));
			place(layer, roles.back, m);
			roles.back.mask = polygon(layer, flap);
		} else {
			var paper = new Shape();
			paper.graphics.beginFill(BLANK_BACK);
			outline(paper.graphics, flap);
			layer.addChild(paper);
		}
		shade(layer, flap, fold.mid, {x: -fold.normal.x, y: -fold.normal.y}, width * 0.3, 0.18);
	}

	// A stiff board: t from 0 (flat on the right) to 1 (flat on the left), in perspective and shaded as
	// it rises; the face out of sight stays on the display list, transparent.
	public static function hard(layer:Sprite, roles:TurnRoles, t:Float, width:Float, height:Float, spread:Bool):Void {
		clear(layer);
		place(layer, roles.left, new Matrix(1, 0, 0, 1, -width, 0));
		place(layer, roles.under, new Matrix());
		if (spread)
			layer.addChild(spine(roles.left != null, roles.under != null, width, height));
		var board = Board.face(t, width, height);
		var shown = board.front ? [(roles.front : DisplayObject), roles.frontTwin] : [roles.back, roles.backTwin];
		var hidden = board.front ? [roles.back, roles.backTwin] : [(roles.front : DisplayObject), roles.frontTwin];
		for (page in hidden)
			if (page != null) {
				place(layer, page, new Matrix());
				page.alpha = 0;
			}
		var paper = new Shape();
		paper.graphics.beginFill(shown[0] == null ? BLANK_BACK : 0xffffff);
		outline(paper.graphics, board.corners);
		layer.addChild(paper);
		// The first half is cut to the whole board and the second laid over it, so that no seam opens
		// along the diagonal; with one view only, the face is drawn as its first half shows it.
		if (shown[0] != null)
			drawHalf(layer, shown[0], board.halves[0].from, board.halves[0].to, board.corners);
		if (shown[0] != null && shown[1] != null)
			drawHalf(layer, shown[1], board.halves[1].from, board.halves[1].to, grown(board.halves[1].to, 1.01));
		var dark = new Shape();
		dark.graphics.beginFill(0x000000, board.shade);
		outline(dark.graphics, board.corners);
		layer.addChild(dark);
	}

	// A polygon a little larger about its centre: the second half overlaps the first instead of meeting it
	// at an antialiased edge, which would show as a hairline.
	static function grown(points:Array<Pt>, factor:Float):Array<Pt> {
		var cx = 0.0, cy = 0.0;
		for (p in points) {
			cx += p.x / points.length;
			cy += p.y / points.length;
		}
		return [for (p in points) {x: cx + (p.x - cx) * factor, y: cy + (p.y - cy) * factor}];
	}

	static function drawHalf(layer:Sprite, page:DisplayObject, from:Array<Pt>, to:Array<Pt>, cut:Array<Pt>):Void {
		var m = Board.affine(from, to);
		place(layer, page, new Matrix(m.a, m.b, m.c, m.d, m.tx, m.ty));
		page.mask = polygon(layer, cut);
	}

	// Every page stays on the display list for the whole turn, transparent when out of sight: the
	// player sends the release of a drag to the page that was pressed, and one taken off the stage or
	// hidden would lose it.
	public static function clear(layer:Sprite):Void {
		while (layer.numChildren > 0) {
			var child = layer.removeChildAt(0);
			if (Std.isOfType(child, PageView)) {
				cast(child, PageView).mask = null;
				child.alpha = 1;
			}
		}
	}

	static function place(layer:Sprite, page:Null<DisplayObject>, m:Matrix):Void {
		if (page == null)
			return;
		page.mask = null;
		page.alpha = 1;
		var placed = Std.isOfType(page, PageView) ? cast(page, PageView).facing() : new Matrix();
		placed.concat(m);
		page.transform.matrix = placed;
		layer.addChild(page);
	}

	static function polygon(layer:Sprite, points:Array<Pt>):Shape {
		var shape = new Shape();
		shape.graphics.beginFill(0x000000);
		outline(shape.graphics, points);
		layer.addChild(shape);
		return shape;
	}

	// A shadow laid over `points`, darkest on the fold and fading over `reach` in `direction`.
	static function shade(layer:Sprite, points:Array<Pt>, from:Pt, direction:Pt, reach:Float, strength:Float):Void {
		if (points.length < 3)
			return;
		var m = new Matrix();
		m.scale(reach / 1638.4, 1);
		m.rotate(Math.atan2(direction.y, direction.x));
		m.translate(from.x + direction.x * reach / 2, from.y + direction.y * reach / 2);
		var shadow = new Shape();
		shadow.graphics.beginGradientFill(GradientType.LINEAR, [0x000000, 0x000000], [strength, 0], [0, 255], m);
		outline(shadow.graphics, points);
		layer.addChild(shadow);
	}

	static function outline(g:flash.display.Graphics, points:Array<Pt>):Void {
		if (points.length < 3)
			return;
		g.moveTo(points[0].x, points[0].y);
		for (i in 1...points.length)
			g.lineTo(points[i].x, points[i].y);
		g.lineTo(points[0].x, points[0].y);
		g.endFill();
	}
}
