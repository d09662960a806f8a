// The reader's pointer and keys turned into the book's actions: a press near a page's edge that becomes
// a drag or a click turning the page, the corner lifted under a hovering pointer, a double click that
// zooms (the click before it turns nothing), a drag that moves a zoomed page, Ctrl and the wheel, and the
// keys that turn, jump and zoom. While the overview is open the keys are its own.
import Fold.Pt;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.events.TimerEvent;
import flash.geom.Point;
import flash.utils.Timer;

enum KeyAction {
	Back;
	Forward;
	Start;
	End;
	Unzoom;
	OpenContents;
	OpenSearch;
	Ignore;
}

typedef Press = {
	var stageX:Float;
	var stageY:Float;
	var forward:Bool;
	var corner:Pt;
}

class Input {
	static inline var DRAG_START = 6.0; // pixels a press moves before it counts as a drag

	var book:Book;
	var stage:flash.display.Stage;
	var press:Null<Press>;
	var panFrom:Null<Pt>;
	var lastPressTime = -1000.0;
	var lastPress:Pt = {x: -100, y: -100};
	var catcher = new Sprite(); // over everything while a page is held, so its release is never lost
	var pendingClick:Null<Timer>; // a click that turns once no second click makes it a double click

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

	public static function keyAction(keyCode:Int, shift:Bool):KeyAction {
		return switch (keyCode) {
			case 37 | 38 | 33: Back; // left, up, page up
			case 39 | 40 | 34: Forward; // right, down, page down
			case 36: Start; // home
			case 35: End;
			case 27: Unzoom; // escape
			case 67: OpenContents; // c
			case 70 | 191: OpenSearch; // f, /
			default: Ignore;
		}
	}

	function keyPressed(event:KeyboardEvent):Void {
		if (book.panel.isPageField(stage.focus))
			return;
		if (book.overview != null) {
			book.overview.keyPressed(event.keyCode);
			return;
		}
		var zoomSteps = Zoom.keySteps(event.keyCode, event.charCode);
		if (zoomSteps != 0) {
			book.zoomBy(zoomSteps, stage.stageWidth / 2, book.room().height / 2);
			return;
		}
		switch (keyAction(event.keyCode, event.shiftKey)) {
			case Back:
				book.turnBy(-1);
			case Forward:
				book.turnBy(1);
			case Start:
				book.goToView(0);
			case End:
				book.goToView(book.viewCount() - 1);
			case Unzoom:
				book.unzoom();
			case OpenContents:
				book.openContents();
			case OpenSearch:
				book.openSearch();
			case Ignore:
		}
	}

	// Stops panning: the zoom was left.
	public function stopPanning():Void {
		panFrom = null;
	}

	// Forgets a press in progress: a second finger made it a pinch.
	public function cancelPress():Void {
		dropPendingClick();
		press = null;
		panFrom = null;
		letGoOfPointer();
	}

	// A click that turns waits out the double-click time: a second click makes it a zoom instead. A
	// lifted corner stays lifted meanwhile.
	function clickTurn(forward:Bool):Void {
		dropPendingClick();
		var timer = new Timer(Zoom.DOUBLE_TAP_MS, 1);
		timer.addEventListener(TimerEvent.TIMER, function(_) {
			if (pendingClick != timer)
				return;
			pendingClick = null;
			var turning = book.turning;
			if (turning.peeking() && turning.turn.forward == forward) {
				turning.take();
				turning.completeClick();
			} else {
				turning.cancelPeek();
				book.turnBy(forward ? 1 : -1);
			}
		});
		pendingClick = timer;
		timer.start();
	}

	public function dropPendingClick():Void {
		if (pendingClick != null)
			pendingClick.stop();
		pendingClick = null;
	}

	function local(stageX:Float, stageY:Float):Point {
		return book.pageLayer.globalToLocal(new Point(stageX, stageY));
	}

	function pressed(event:MouseEvent):Void {
		// Fingers of a pinch are the pinch's, not presses, drags or pans.
		if (book.pinch != null)
			return;
		var now = haxe.Timer.stamp() * 1000;
		var doubleClick = Zoom.isDoubleTap(lastPressTime, lastPress.x, lastPress.y, now, event.stageX, event.stageY);
		lastPressTime = doubleClick ? -1000 : now;
		lastPress = {x: event.stageX, y: event.stageY};
		press = null;
		var turning = book.turning;
		if (doubleClick) {
			// The first click's turn never starts: a double click only zooms.
			dropPendingClick();
			turning.cancelPeek();
			turning.finishNow();
			book.zoomTo(Zoom.doubleTapFactor(book.factor), event.stageX, event.stageY);
			return;
		}
		if (book.zoomed) {
			panFrom = {x: event.stageX - book.bookLayer.x, y: event.stageY - book.bookLayer.y};
			holdPointer();
			return;
		}
		if (turning.peeking()) {
			// The lifted corner is taken: a drag from here, or a click that turns the page. It is said to
			// turn once it moves or the click is known to be single.
			var turn = turning.turn;
			turning.take(false);
			press = {stageX: event.stageX, stageY: event.stageY, forward: turn.forward, corner: turn.corner};
			holdPointer();
			return;
		}
		if (turning.active())
			return;
		var at = local(event.stageX, event.stageY);
		var grab = book.grabAt(at.x, at.y);
		if (grab != null) {
			press = {stageX: event.stageX, stageY: event.stageY, forward: grab.forward, corner: grab.corner};
			holdPointer();
		}
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
		if (press == null && !book.zoomed && (!turning.active() || turning.peeking())) {
			var at = local(event.stageX, event.stageY);
			turning.peekAt(at.x, at.y);
			return;
		}
		if (press != null && !turning.active() && movedFar(event, press)) {
			var forward = press.forward;
			var view = book.view;
			turning.start(forward ? view : view - 1, forward ? view + 1 : view, forward, press.corner, true);
			press = null;
		}
		var turn = turning.turn;
		if (turn != null && turn.dragging && !turn.peek && !event.buttonDown) {
			// The button came up where no release reached us.
			released(null);
			return;
		}
		if (turn != null && turn.dragging && (press == null || movedFar(event, press))) {
			if (press != null)
				turning.announce();
			press = null;
			var at = local(event.stageX, event.stageY);
			turning.dragTo({x: at.x, y: at.y});
		}
	}

	static function movedFar(event:MouseEvent, press:Press):Bool {
		return Math.abs(event.stageX - press.stageX) + Math.abs(event.stageY - press.stageY) > DRAG_START;
	}

	function released(_):Void {
		letGoOfPointer();
		if (panFrom != null)
			Log.line('zoomed page moved to ${Math.round(book.bookLayer.x)},${Math.round(book.bookLayer.y)}');
		panFrom = null;
		var turn = book.turning.turn;
		if (turn != null && turn.dragging && press != null) {
			// A click on a lifted corner: the corner stays lifted until the click is known to be single.
			var forward = press.forward;
			press = null;
			turn.peek = true;
			clickTurn(forward);
			return;
		}
		if (turn != null && turn.dragging) {
			book.turning.release();
			return;
		}
		if (press != null) {
			var forward = press.forward;
			press = null;
			clickTurn(forward);
		}
	}
}
