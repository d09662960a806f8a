// A page turn in progress: which views it moves between, the corner grabbed and where the pointer or the
// animation has it, the lifted corner that invites a drag, and the end of the turn on the view it was
// heading for. Drawing is TurnScene's, the fold's geometry Fold's.
import Fold.Pt;
import TurnScene.TurnRoles;
import flash.display.Sprite;

// What a turn needs of the book: the layer it draws on, the page list's page size and cover, the
// views and the pages that stand in them, and the view to show once it ends.
typedef TurningHost = {
	var layer:Sprite; // the page layer, in book units
	var width:Float;
	var height:Float;
	var hardCover:Bool;
	var pageCount:Int;
	var pages:PageLoader;
	var views:Void->Views; // remade when a wide page is found
	var view:Void->Int; // the view shown
	var spread:Void->Bool; // spreads or single pages, as the window's shape chose
	var grabAt:(x:Float, y:Float) -> Null<Layout.Grab>; // what a press in book units would grab to turn
	var plainTurn:(lower:Int, upper:Int) -> Bool; // between views that change at once, without a fold
	var show:Int->Void; // the view a turn ended on
	var render:Void->Void; // the view shown, drawn flat again
}

typedef Turn = {
	var lower:Int; // the views the turn moves between
	var upper:Int;
	var roles:TurnRoles;
	var hard:Bool;
	var corner:Pt;
	var pointer:Pt;
	var dragging:Bool;
	var peek:Bool; // the corner lifts under the pointer, inviting a drag
	var forward:Bool;
	var from:Pt; // animation of the corner, when not dragged
	var to:Pt;
	var started:Float;
	var duration:Float;
}

class Turning {
	public static inline var TURN_MS = 650.0;
	static inline var CORNER = 0.2; // share of a page's height, from top or bottom, where a corner lifts

	public var turn(default, null):Null<Turn>;

	var book:TurningHost;

	public function new(book:TurningHost) {
		this.book = book;
	}

	public function active():Bool {
		return turn != null;
	}

	public function peeking():Bool {
		return turn != null && turn.peek;
	}

	public function dragging():Bool {
		return turn != null && turn.dragging && !turn.peek;
	}

	function width():Float {
		return book.width;
	}

	function height():Float {
		return book.height;
	}

	public function bottomCorner():Pt {
		return {x: width(), y: height()};
	}

	// Pages in a turn stand in the plain slots of a spread (or a single page), each at its own shape.
	function rolesBetween(lower:Int, upper:Int, forward:Bool):TurnRoles {
		var a = book.views().slots(lower);
		var b = book.views().slots(upper);
		var w = width();
		var h = height();
		inline function at(index:Int, align:Int):Null<PageView> {
			if (index < 0)
				return null;
			var page = book.pages.page(index);
			page.fitInto(w, h, book.spread() ? align : 0);
			return page;
		}
		var roles:TurnRoles = {left: at(a.left, -1), front: at(a.right, 1), back: at(b.left, -1), under: at(b.right, 1)};
		// A stiff board draws each face twice, a half from each view.
		if (book.spread() && isHardTurn(lower, upper)) {
			roles.frontTwin = boardTwin(a.right, 1);
			roles.backTwin = boardTwin(b.left, -1);
		}
		// A single page turned back comes in from the left showing the page, not the blank back of a sheet.
		if (!book.spread() && !forward && roles.back == null && roles.front != null) {
			var twin = book.pages.twin(roles.front.index);
			twin.fitInto(w, h, 0);
			roles.back = twin;
		}
		return roles;
	}

	function boardTwin(index:Int, align:Int):Null<PageView> {
		if (index < 0)
			return null;
		var twin = book.pages.twin(index);
		twin.fitInto(width(), height(), align);
		return twin;
	}

	function isHardTurn(lower:Int, upper:Int):Bool {
		if (!book.hardCover)
			return false;
		var last = book.pageCount - 1;
		var a = book.views().slots(lower);
		var b = book.views().slots(upper);
		return [a.right, b.left].indexOf(0) >= 0 || [a.right, b.left].indexOf(last) >= 0;
	}

	public function start(lower:Int, upper:Int, forward:Bool, corner:Pt, dragging:Bool, peek = false):Void {
		var far:Pt = {x: -corner.x, y: corner.y};
		turn = {
			lower: lower,
			upper: upper,
			roles: rolesBetween(lower, upper, forward),
			hard: isHardTurn(lower, upper),
			corner: corner,
			pointer: forward ? corner : far,
			dragging: dragging,
			peek: peek,
			forward: forward,
			from: forward ? corner : far,
			to: forward ? far : corner,
			started: now(),
			duration: TURN_MS
		};
		if (!peek)
			logTurn();
		// Pages around the target start loading while the sheet moves.
		book.pages.prepare(book.views(), forward ? upper : lower);
		draw();
	}

	// The reader took the lifted corner: from now on it is a turn, said at once unless `say` is false
	// (a press that may yet be the first of a double click says it with `announce` once it is a turn).
	public function take(say = true):Void {
		turn.peek = false;
		if (say)
			logTurn();
	}

	public function announce():Void {
		logTurn();
	}

	function logTurn():Void {
		Log.line('turning ' + (turn.hard ? "stiff" : "soft") + ' from ' + book.views().label(turn.forward ? turn.lower : turn.upper));
	}

	public function animate():Void {
		if (turn == null || turn.dragging)
			return;
		var s = (now() - turn.started) / turn.duration;
		if (s >= 1) {
			finishNow();
			return;
		}
		turn.pointer = Fold.travel(turn.from, turn.to, s, width(), height());
		draw();
	}

	public function dragTo(pointer:Pt):Void {
		turn.pointer = pointer;
		draw();
	}

	function draw():Void {
		var w = width();
		var h = height();
		turn.pointer = Fold.constrain(turn.pointer, turn.corner, w, h);
		if (turn.hard)
			TurnScene.hard(book.layer, turn.roles, Fold.progress(turn.pointer, w), w, h, book.spread());
		else
			TurnScene.soft(book.layer, turn.roles, turn.corner, turn.pointer, w, h, book.spread());
	}

	// Ends the turn where its animation was heading: on the far side the upper view is shown.
	public function finishNow():Void {
		if (turn == null)
			return;
		if (turn.peek) {
			cancelPeek();
			return;
		}
		var target = turn.to.x < 0 ? turn.upper : turn.lower;
		end();
		book.show(target);
	}

	public function cancelPeek():Void {
		if (turn == null || !turn.peek)
			return;
		end();
		book.render();
	}

	function end():Void {
		turn = null;
	}

	// Lifts the corner under the pointer, or lets it fall back when the pointer leaves it (or lies on a
	// link, which the lifted corner would hide).
	public function peekAt(x:Float, y:Float, onLink:Bool):Void {
		var h = height();
		var zone = onLink ? null : book.grabAt(x, y);
		if (zone != null && y > h * CORNER && y < h * (1 - CORNER))
			zone = null;
		// A single page has nothing on its left for a backward corner to lift from; a wide page across the
		// spread turns without a fold.
		if (zone != null && !book.spread() && !zone.forward)
			zone = null;
		var view = book.view();
		if (zone != null && book.plainTurn(zone.forward ? view : view - 1, zone.forward ? view + 1 : view))
			zone = null;
		if (turn != null && (zone == null || zone.forward != turn.forward || zone.corner.y != turn.corner.y))
			cancelPeek();
		if (zone == null)
			return;
		if (turn == null)
			start(zone.forward ? view : view - 1, zone.forward ? view + 1 : view, zone.forward, zone.corner, true, true);
		var w = width();
		var inward = zone.corner.y > 0 ? -1 : 1;
		turn.pointer = {x: (zone.forward ? 1 : -1) * w * 0.9, y: zone.corner.y + inward * h * 0.035};
		draw();
	}

	// The pointer let go of a dragged sheet: it completes the turn or falls back.
	public function release(complete:Bool):Void {
		var towardsUpper = turn.forward ? complete : !complete;
		turn.dragging = false;
		turn.from = turn.pointer;
		turn.to = towardsUpper ? {x: -turn.corner.x, y: turn.corner.y} : turn.corner;
		turn.duration = TURN_MS * Math.max(0.25, Math.abs(turn.to.x - turn.from.x) / (2 * width()));
		turn.started = now();
	}

	// A click on a lifted corner: the sheet goes all the way.
	public function completeClick():Void {
		release(true);
		turn.to = turn.forward ? {x: -turn.corner.x, y: turn.corner.y} : turn.corner;
		turn.duration = TURN_MS;
	}

	static function now():Float {
		return haxe.Timer.stamp() * 1000;
	}
}
