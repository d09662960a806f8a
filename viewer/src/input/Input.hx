// The reader's pointer and keys turned into the book's actions: a drag from a page's edge that folds the
// sheet after the pointer, a swipe anywhere on a page that turns it past a third of the page or with a
// flick, a tap on a page's outer half, the corner lifted under a hovering pointer, a double click that
// zooms (and never also turns), a drag that moves a zoomed page, Ctrl and the wheel, and the keys that
// turn, jump, zoom and open contents and search. While the overview is open the keys are its own.
import Fold.Pt;
import Panel.PanelActions;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.geom.Point;

// What the reader's pointer and keys reach of the book: its layers and the turn, the page size and
// reading direction, what lies under a point, the zoom, and the commands a key gives like the panel's
// button for it.
typedef InputHost = {
	var bookLayer:Sprite; // pressed to turn a page, moved while zoomed
	var pageLayer:Sprite; // the book's units, mirrored in a book read right to left
	var turning:Turning;
	var width:Float; // the page list's page size
	var height:Float;
	var rightToLeft:Bool;
	var commands:PanelActions;
	var keyTaken:KeyboardEvent->Bool; // by the page field, the list of keys or the overview
	var showKeys:Void->Void;
	var focusPageField:Void->Void;
	var inSight:Void->Bool; // the book is open and no overview lies over it
	var lessMotion:Void->Bool; // pages turn without the curl
	var view:Void->Int;
	var viewCount:Void->Int;
	var plainTurn:(lower:Int, upper:Int) -> Bool;
	var grabAt:(x:Float, y:Float) -> Null<Layout.Grab>; // in book units
	var onPage:(x:Float, y:Float) -> Bool;
	var tapWay:(x:Float, y:Float) -> Null<Bool>;
	var linkUnder:(stageX:Float, stageY:Float) -> Bool;
	var zoomed:Void->Bool;
	var pinching:Void->Bool; // two fingers are on the book
	var fit:Void->Float; // the fitted book's scale
	var doubleTap:(stageX:Float, stageY:Float) -> Void; // zooms in or back
	var unzoom:Void->Void;
	var panTo:(x:Float, y:Float) -> Void;
	var wheeled:(delta:Float, ctrl:Bool, stageX:Float, stageY:Float) -> Void;
}

typedef Press = {
	var stageX:Float;
	var stageY:Float;
	var at:Pt; // in book units
	var forward:Null<Bool>; // null: a press inside a page, whose way is chosen by the swipe
	var corner:Pt;
	var flat:Bool; // a swipe between views that turn without a fold
	var samples:Array<Array<Float>>; // [time, stageX] while it moves
}

class Input {
	static inline var DRAG_START = 6.0; // pixels a press moves before it counts as a drag

	var book:InputHost;
	var turning:Turning;
	var stage:flash.display.Stage;
	var press:Null<Press>;
	var panFrom:Null<Pt>;
	var lastPressTime = -1000.0;
	var lastPress:Pt = {x: -100, y: -100};
	var pendingTap:Null<haxe.Timer>; // a tap's turn waits until it is clear that no double click follows
	var dragged = false;
	var catcher = new Sprite(); // over everything while a page is held, so its release is never lost

	public function new(book:InputHost, stage:flash.display.Stage) {
		this.book = book;
		this.turning = book.turning;
		this.stage = stage;
		book.bookLayer.addEventListener(MouseEvent.MOUSE_DOWN, pressed);
		stage.addEventListener(MouseEvent.MOUSE_MOVE, moved);
		stage.addEventListener(MouseEvent.MOUSE_UP, released);
		stage.addEventListener(Event.MOUSE_LEAVE, function(_) turning.cancelPeek());
		stage.addEventListener(KeyboardEvent.KEY_DOWN, keyPressed);
		stage.addEventListener(MouseEvent.MOUSE_WHEEL, function(event:MouseEvent) book.wheeled(event.delta, event.ctrlKey, event.stageX,
			event.stageY));
	}

	function keyPressed(event:KeyboardEvent):Void {
		if (book.keyTaken(event))
			return;
		var commands = book.commands;
		var zoomSteps = Zoom.keySteps(event.keyCode, event.charCode);
		if (zoomSteps != 0) {
			(zoomSteps > 0 ? commands.zoomIn : commands.zoomOut)();
			return;
		}
		switch (Keys.action(event.keyCode, event.shiftKey, book.rightToLeft)) {
			case Back:
				commands.previous();
			case Forward:
				commands.next();
			case Start:
				commands.first();
			case End:
				commands.last();
			case Unzoom:
				book.unzoom();
			case OpenContents:
				commands.contents();
			case OpenSearch:
				commands.search();
			case OpenOverview:
				commands.overview();
			case ToggleFullScreen:
				commands.fullScreen();
			case GoToField:
				book.focusPageField();
			case ShowKeys:
				book.showKeys();
			case Ignore:
		}
	}

	// Stops panning: the zoom was left.
	public function stopPanning():Void {
		panFrom = null;
	}

	// Forgets a press in progress: a second finger made it a pinch.
	public function cancelPress():Void {
		cancelTap();
		press = null;
		panFrom = null;
		letGoOfPointer();
	}

	// A tap waiting to turn is forgotten: the overview opened over it.
	public function dropPendingClick():Void {
		cancelTap();
	}

	function local(stageX:Float, stageY:Float):Point {
		return book.pageLayer.globalToLocal(new Point(stageX, stageY));
	}

	function now():Float {
		return haxe.Timer.stamp() * 1000;
	}

	function pressed(event:MouseEvent):Void {
		// Fingers of a pinch are the pinch's, not presses, drags or pans.
		if (book.pinching())
			return;
		var time = now();
		var doubleClick = Zoom.isDoubleTap(lastPressTime, lastPress.x, lastPress.y, time, event.stageX, event.stageY);
		lastPressTime = doubleClick ? -1000 : time;
		lastPress = {x: event.stageX, y: event.stageY};
		press = null;
		if (doubleClick) {
			// The first click's turn had not started yet: the double click only zooms.
			cancelTap();
			if (turning.dragging())
				turning.release(false);
			turning.finishNow();
			book.doubleTap(event.stageX, event.stageY);
			return;
		}
		cancelTap();
		if (book.zoomed()) {
			panFrom = {x: event.stageX - book.bookLayer.x, y: event.stageY - book.bookLayer.y};
			holdPointer();
			return;
		}
		var at = local(event.stageX, event.stageY);
		if (turning.peeking()) {
			// The lifted corner is taken: a drag from here, or a click that turns the page. It is said to
			// turn once it moves or the click is known to be single, not while it may be a double click.
			var turn = turning.turn;
			turning.take(false);
			startPress(event, at, turn.forward, turn.corner);
			return;
		}
		if (turning.active())
			return;
		var grab = book.grabAt(at.x, at.y);
		if (grab != null)
			startPress(event, at, grab.forward, grab.corner);
		else if (book.onPage(at.x, at.y))
			startPress(event, at, null, {x: book.width, y: at.y > book.height / 2 ? book.height : 0});
	}

	function startPress(event:MouseEvent, at:Point, forward:Null<Bool>, corner:Pt):Void {
		press = {
			stageX: event.stageX,
			stageY: event.stageY,
			at: {x: at.x, y: at.y},
			forward: forward,
			corner: corner,
			flat: false,
			samples: [[now(), event.stageX]]
		};
		dragged = false;
		holdPointer();
	}

	function holdPointer():Void {
		catcher.graphics.clear();
		catcher.graphics.beginFill(0xffffff, 0);
		catcher.graphics.drawRect(0, 0, stage.stageWidth, stage.stageHeight);
		catcher.graphics.endFill();
		flash.Lib.current.addChild(catcher);
	}

	function letGoOfPointer():Void {
		if (catcher.parent != null)
			catcher.parent.removeChild(catcher);
	}

	function moved(event:MouseEvent):Void {
		if (book.pinching())
			return;
		if (panFrom != null) {
			book.panTo(event.stageX - panFrom.x, event.stageY - panFrom.y);
			return;
		}
		if (!book.inSight())
			return;
		var at = local(event.stageX, event.stageY);
		if (press == null) {
			if (!book.zoomed() && !book.lessMotion() && (!turning.active() || turning.peeking()))
				turning.peekAt(at.x, at.y, book.linkUnder(event.stageX, event.stageY));
			return;
		}
		if (!event.buttonDown) {
			// The button came up where no release reached us.
			released(null);
			return;
		}
		press.samples.push([now(), event.stageX]);
		if (press.samples.length > 12)
			press.samples.shift();
		if (!dragged && !movedFar(event, press))
			return;
		if (!dragged && !beginDrag(event))
			return;
		dragged = true;
		if (turning.dragging())
			turning.dragTo(dragPoint(at));
	}

	// The press became a drag: a page held at its edge folds at once; one pressed inside turns the way
	// the swipe goes, if it goes sideways and there is a page that way.
	function beginDrag(event:MouseEvent):Bool {
		if (turning.active()) {
			turning.announce();
			return true;
		}
		if (press.forward == null) {
			var dx = event.stageX - press.stageX;
			var dy = event.stageY - press.stageY;
			if (Math.abs(dy) > Math.abs(dx)) {
				press = null;
				letGoOfPointer();
				return false;
			}
			press.forward = Gesture.alongReading(dx, book.rightToLeft) < 0;
		}
		var forward:Bool = press.forward;
		var view = book.view();
		var lower = forward ? view : view - 1;
		var upper = forward ? view + 1 : view;
		if (lower < 0 || upper >= book.viewCount()) {
			press = null;
			letGoOfPointer();
			return false;
		}
		if (book.plainTurn(lower, upper))
			press.flat = true;
		else
			turning.start(lower, upper, forward, press.corner, true);
		return true;
	}

	// The sheet's corner moves with the pointer from where the press began.
	function dragPoint(at:Point):Pt {
		var corner = press.forward ? press.corner : {x: -press.corner.x, y: press.corner.y};
		return {x: corner.x + at.x - press.at.x, y: corner.y + at.y - press.at.y};
	}

	static function movedFar(event:MouseEvent, press:Press):Bool {
		return Math.abs(event.stageX - press.stageX) + Math.abs(event.stageY - press.stageY) > DRAG_START;
	}

	function released(event:Null<MouseEvent>):Void {
		letGoOfPointer();
		if (panFrom != null)
			Log.line('zoomed page moved to ${Math.round(book.bookLayer.x)},${Math.round(book.bookLayer.y)}');
		panFrom = null;
		if (press == null)
			return;
		var p = press;
		press = null;
		if (!dragged) {
			tapped(p);
			return;
		}
		var x = event == null ? p.samples[p.samples.length - 1][1] : event.stageX;
		var rightToLeft = book.rightToLeft;
		var turns = Gesture.turns(p.forward, Gesture.alongReading(x - p.stageX, rightToLeft), Gesture.alongReading(Gesture.speed(p.samples), rightToLeft),
			book.width * book.fit());
		Log.line('swipe ${Math.round(x - p.stageX)} px at ${Math.round(Gesture.speed(p.samples) * 1000)} px/s ' + (turns ? "turns" : "falls back"));
		if (p.flat) {
			if (turns)
				(p.forward ? book.commands.next : book.commands.previous)();
		} else if (turning.dragging()) {
			turning.release(turns);
		}
	}

	// A press let go where it began: a lifted corner turns all the way, a press at a page's edge or on
	// its outer half turns it; each only once no double click follows.
	function tapped(p:Press):Void {
		if (turning.dragging()) {
			wait(function() {
				turning.announce();
				turning.completeClick();
			});
			return;
		}
		var way = p.forward != null ? p.forward : book.tapWay(p.at.x, p.at.y);
		if (way != null)
			wait(way ? book.commands.next : book.commands.previous);
	}

	function wait(action:Void->Void):Void {
		cancelTap();
		pendingTap = haxe.Timer.delay(function() {
			pendingTap = null;
			action();
		}, Std.int(Zoom.DOUBLE_TAP_MS));
	}

	function cancelTap():Void {
		if (pendingTap != null)
			pendingTap.stop();
		pendingTap = null;
	}
}
