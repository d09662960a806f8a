// Table-driven tests of the stiff cover's board without a player: its outline in perspective at each
// step of the swing (the free edge shorter as it rises, never taller than the page, on edge at the
// middle), the face seen, and the affine maps that draw each half of a page onto its triangle.
import Fold.Pt;
import ViewerLogicTest.check;
import ViewerLogicTest.same;

class BoardLogicTest {
	static inline var W = 595.0;
	static inline var H = 842.0;

	public static function run() {
		outlineThroughTheSwing();
		halvesLandOnTheirTriangles();
	}

	static function round(v:Float):Float {
		return Math.round(v * 10) / 10;
	}

	static function outlineThroughTheSwing() {
		var cases = [
			// t, face, free edge x, free edge height
			{t: 0.0, front: true, freeX: W, edge: H},
			{t: 0.25, front: true, freeX: 0.7071 * W * 3 / (3 + 0.7071), edge: H * 3 / (3 + 0.7071)},
			{t: 0.5, front: true, freeX: 0.0, edge: H * 0.75}, // on edge, the front's last moment
			{t: 0.75, front: false, freeX: -0.7071 * W * 3 / (3 + 0.7071), edge: H * 3 / (3 + 0.7071)},
			{t: 1.0, front: false, freeX: -W, edge: H},
			{t: 1.5, front: false, freeX: -W, edge: H}, // past the end: flat on the left
		];
		for (c in cases) {
			var f = Board.face(c.t, W, H);
			var spineEdge = f.corners[3].y - f.corners[0].y;
			var freeEdge = f.corners[2].y - f.corners[1].y;
			same(f.front, c.front, 't=${c.t}: face');
			same(round(f.corners[1].x), round(c.freeX), 't=${c.t}: free edge across');
			same(round(freeEdge), round(c.edge), 't=${c.t}: free edge height');
			same(spineEdge, H, 't=${c.t}: the hinge keeps its height');
			same(round((f.corners[1].y + f.corners[2].y) / 2), H / 2, 't=${c.t}: centred on the page\'s middle');
		}
		// Rising, the free edge only shortens; it never draws taller than the spine edge.
		var last = H + 1;
		for (step in 0...11) {
			var f = Board.face(step / 20, W, H);
			var edge = f.corners[2].y - f.corners[1].y;
			check(edge < last && edge <= H, 'free edge shortens as the board rises (t=${step / 20})');
			last = edge;
		}
		same(round(Board.face(0.5, W, H).shade), Board.SHADE, "darkest on edge");
		same(Board.face(0, W, H).shade, 0, "flat: lit as the page");
	}

	static function halvesLandOnTheirTriangles() {
		for (t in [0.1, 0.3, 0.7, 0.9]) {
			var f = Board.face(t, W, H);
			for (half in f.halves) {
				var m = Board.affine(half.from, half.to);
				for (i in 0...3) {
					var p = Fold.apply(m, half.from[i]);
					check(Math.abs(p.x - half.to[i].x) < 1e-6 && Math.abs(p.y - half.to[i].y) < 1e-6, 't=$t: corner $i of a half lands on its triangle');
				}
			}
			// The page's top-left corner: at the spine on the front, at the free edge on the back.
			var topLeft = Fold.apply(Board.affine(f.halves[0].from, f.halves[0].to), {x: 0, y: 0});
			same(round(topLeft.x), f.front ? 0 : round(f.corners[1].x), 't=$t: the page reads the right way round');
		}
		var flat = Board.affine([{x: 0, y: 0}, {x: 1, y: 0}, {x: 2, y: 0}], [{x: 5, y: 5}, {x: 6, y: 5}, {x: 7, y: 5}]);
		same(flat.a, 1, "a degenerate triangle maps to nothing stretched");
	}
}
