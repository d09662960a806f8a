// The reader's pointer and keys turned into the book's actions: a drag from a page's edge that folds the
// sheet after the pointer, a swipe anywhere on a page that turns it past a third of the page or with a
// flick, a tap on a page's outer half, the corner lifted under a hovering pointer, a double click that
// zooms (and never also turns), a drag that moves a zoomed page, Ctrl and the wheel, and the keys that
// turn, jump, zoom and open contents and search. While the overview is open the keys are its own.
import Fold.Pt;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.geom.Point;


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

	var book:Book;
	var stage:flash.display.Stage;
	var press:Null<Press>;
	var panFrom:Null<Pt>;
	var lastPressTime = -1000.0;
	var lastPress:Pt = {x: -100, y: -100};
	var pendingTap:Null<haxe.Timer>; // a tap's turn waits until it is clear that no double click follows
	var dragged = false;
	var catcher = new Sprite(); // over everything while a page is held, so its release is never lost

	public function new(book:Book, stage:flash.display.Stage) {
		this.book = book;
		this.stage = stage;
		book.bookLayer.addEventListener(MouseEvent.MOUSE_DOWN, pressed);
		stage.addEventListener(MouseEvent.MOUSE_MOVE, moved);
		stage.addEventListener(MouseEvent.MOUSE_UP, released);
		stage.addEventListener(Event.MOUSE_LEAVE, function(_) book.turning.cancelPeek());
		stage.addEventListener(KeyboardEvent.KEY_DOWN, keyPressed);
		stage.addEventListener(MouseEvent.MOUSE_WHEEL, function(event:MouseEvent) book.wheeled(event.delta, event.ctrlKey, event.stageX,
			event.stageY));
	}


	function keyPressed(event:KeyboardEvent):Void {
		if (book.panel.isPageField(stage.focus))
			return;
		// Any key closes the list of keys; "?" is asked for by its character, whatever the keyboard.
		if (book.keysShown) {
			book.hideKeys();
			return;
		}
		if (event.charCode == "?".code) {
			book.showKeys();
			return;
		}
		if (book.overview != null) {
			book.overview.keyPressed(event.keyCode);
			return;
		}
		var zoomSteps = Zoom.keySteps(event.keyCode, event.charCode);
		if (zoomSteps != 0) {
			book.zoomBy(zoomSteps, stage.stageWidth / 2, book.room().height / 2);
			return;
		}
		switch (Keys.action(event.keyCode, event.shiftKey, book.settings.rightToLeft)) {
			case Back:
				book.turnBy(-1);
			case Forward:
				book.turnBy(1);
			case Start:
				book.turnTo(0);
			case End:
				book.turnTo(book.viewCount() - 1);
			case Unzoom:
				book.unzoom();
			case OpenContents:
				book.openContents();
			case OpenSearch:
				book.openSearch();
			case OpenOverview:
				book.openOverview();
			case ToggleFullScreen:
				book.toggleFullScreen();
			case GoToField:
				book.panel.focusPageField();
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
		if (book.pinch != null)
			return;
		var time = now();
		var doubleClick = Zoom.isDoubleTap(lastPressTime, lastPress.x, lastPress.y, time, event.stageX, event.stageY);
		lastPressTime = doubleClick ? -1000 : time;
		lastPress = {x: event.stageX, y: event.stageY};
		press = null;
		var turning = book.turning;
		if (doubleClick) {
			// The first click's turn had not started yet: the double click only zooms.
			cancelTap();
			if (turning.dragging())
				turning.release(false);
			turning.finishNow();
			book.zoomTo(Zoom.doubleTapFactor(book.factor), event.stageX, event.stageY);
			return;
		}
		cancelTap();
		if (book.zoomed) {
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
			startPress(event, at, null, {x: book.settings.width, y: at.y > book.settings.height / 2 ? book.settings.height : 0});
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
		var turning = book.turning;
		if (book.pinch != null)
			return;
		if (panFrom != null) {
			book.panTo(event.stageX - panFrom.x, event.stageY - panFrom.y);
			return;
		}
		if (book.overview != null)
			return;
		var at = local(event.stageX, event.stageY);
		if (press == null) {
			if (!book.zoomed && !book.reducedMotion && (!turning.active() || turning.peeking()))
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
		var turning = book.turning;
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
			press.forward = Gesture.alongReading(dx, book.settings.rightToLeft) < 0;
		}
		var forward:Bool = press.forward;
		var view = book.view;
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
		var turning = book.turning;
		if (!dragged) {
			tapped(p);
			return;
		}
		var x = event == null ? p.samples[p.samples.length - 1][1] : event.stageX;
		var rightToLeft = book.settings.rightToLeft;
		var turns = Gesture.turns(p.forward, Gesture.alongReading(x - p.stageX, rightToLeft), Gesture.alongReading(Gesture.speed(p.samples), rightToLeft),
			book.settings.width * book.fit);
		Log.line('swipe ${Math.round(x - p.stageX)} px at ${Math.round(Gesture.speed(p.samples) * 1000)} px/s ' + (turns ? "turns" : "falls back"));
		if (p.flat) {
			if (turns)
				book.turnBy(p.forward ? 1 : -1);
		} else if (turning.dragging()) {
			turning.release(turns);
		}
	}

	// A press let go where it began: a lifted corner turns all the way, a press at a page's edge or on
	// its outer half turns it; each only once no double click follows.
	function tapped(p:Press):Void {
		var turning = book.turning;
		if (turning.dragging()) {
			wait(function() {
				turning.announce();
				turning.completeClick();
			});
			return;
		}
		var way = p.forward != null ? p.forward : book.tapWay(p.at.x, p.at.y);
		if (way != null)
			wait(function() book.turnBy(way ? 1 : -1));
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
