// The flip-book viewer: loads data/pages.xml, shows the cover and the spreads (or single pages in a
// narrow window), turns pages by button, key, page field, deep link, drag and click, zooms, goes full
// screen, and keeps only the pages around the current view loaded.
import Fold.Pt;
import PageList.BookSettings;
import TurnScene.TurnRoles;
import flash.display.Shape;
import flash.display.Sprite;
import flash.display.StageAlign;
import flash.display.StageDisplayState;
import flash.display.StageQuality;
import flash.display.StageScaleMode;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.events.SecurityErrorEvent;
import flash.events.TimerEvent;
import flash.external.ExternalInterface;
import flash.net.URLLoader;
import flash.net.URLRequest;
import flash.text.TextField;
import flash.utils.Timer;

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

typedef Press = {
	var stageX:Float;
	var stageY:Float;
	var forward:Bool;
	var corner:Pt;
}

class Book {
	static inline var PAGE_LIST = "data/pages.xml";
	static inline var MARGIN = 16.0;
	static inline var EDGE = 0.14; // share of a page's width that grabs its outer edge
	static inline var TURN_MS = 650.0;
	static inline var CORNER = 0.2; // share of a page's height, from top or bottom, where a corner lifts

	var stage:flash.display.Stage;
	var settings:BookSettings;
	var backdrop = new Shape();
	var bookLayer = new Sprite();
	var pageLayer = new Sprite();
	var shadowLayer = new Shape(); // under the pages, kept while a sheet turns
	var catcher = new Sprite(); // over everything while a page is held, so its release is never lost
	var panel:Panel;
	var message:TextField;
	var pages = new Map<Int, PageView>();
	var spread = true;
	var view = 0;
	var fit = 1.0;
	var zoomed = false;
	var turn:Null<Turn>;
	var press:Null<Press>;
	var panFrom:Null<Pt>;
	var lastPressTime = -1000.0;
	var lastPress:Pt = {x: -100, y: -100};
	var lastHash = "";
	var shownLogged = new Map<Int, Bool>();

	static function main() {
		new Book(flash.Lib.current.stage);
	}

	function new(stage:flash.display.Stage) {
		this.stage = stage;
		stage.scaleMode = StageScaleMode.NO_SCALE;
		stage.align = StageAlign.TOP_LEFT;
		stage.quality = StageQuality.HIGH;
		flash.Lib.current.addChild(backdrop);
		paintBackdrop(PageList.DEFAULT_BACKGROUND);
		showMessage("Loading the book\u2026");
		stage.addEventListener(Event.RESIZE, function(_) layOut());
		loadPageList();
	}

	// ---- page list --------------------------------------------------------------------------------

	function loadPageList():Void {
		var request = new URLLoader();
		request.addEventListener(Event.COMPLETE, function(_) pageListArrived(Std.string(request.data)));
		request.addEventListener(IOErrorEvent.IO_ERROR, function(_) failBook('The page list $PAGE_LIST is missing or cannot be read.'));
		request.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) failBook('The page list $PAGE_LIST may not be read from here.'));
		try {
			request.load(new URLRequest(PAGE_LIST));
		} catch (e:Dynamic) {
			failBook('The page list $PAGE_LIST cannot be loaded.');
		}
	}

	function pageListArrived(text:String):Void {
		switch (PageList.parse(text)) {
			case Malformed(reason):
				failBook('The page list $PAGE_LIST is malformed: $reason.');
			case Parsed(parsed):
				start(parsed);
		}
	}

	function failBook(text:String):Void {
		showMessage(text);
		log(text);
	}

	function start(parsed:BookSettings):Void {
		settings = parsed;
		hideMessage();
		paintBackdrop(settings.backgroundColor);
		bookLayer.addChild(shadowLayer);
		bookLayer.addChild(pageLayer);
		flash.Lib.current.addChild(bookLayer);
		flash.Lib.current.addChild(panel = buildPanel());
		listen();
		spread = chooseSpread();
		layOut();
		var deepLink = Navigation.pageFromHash(readHash(), pageCount());
		showView(Navigation.viewOfPage(spread, pageCount(), deepLink == null ? 0 : deepLink));
		log('book of ${pageCount()} pages opened');
	}

	function buildPanel():Panel {
		return new Panel(settings, {
			first: function() goToView(0),
			previous: function() turnBy(-1),
			next: function() turnBy(1),
			last: function() goToView(viewCount() - 1),
			zoom: function() toggleZoom(stage.stageWidth / 2, (stage.stageHeight - Panel.HEIGHT) / 2),
			fullScreen: toggleFullScreen,
			goTo: goToTyped
		});
	}

	function listen():Void {
		bookLayer.addEventListener(MouseEvent.MOUSE_DOWN, pressed);
		stage.addEventListener(MouseEvent.MOUSE_MOVE, moved);
		stage.addEventListener(MouseEvent.MOUSE_UP, released);
		stage.addEventListener(Event.MOUSE_LEAVE, function(_) cancelPeek());
		stage.addEventListener(KeyboardEvent.KEY_DOWN, keyPressed);
		stage.addEventListener(Event.ENTER_FRAME, animate);
		var poll = new Timer(400);
		poll.addEventListener(TimerEvent.TIMER, function(_) followAddress());
		poll.start();
	}

	inline function pageCount():Int {
		return settings.pages.length;
	}

	inline function viewCount():Int {
		return Navigation.viewCount(spread, pageCount());
	}

	// ---- layout -----------------------------------------------------------------------------------

	function areaWidth():Float {
		return Math.max(1, stage.stageWidth - 2 * MARGIN);
	}

	function areaHeight():Float {
		return Math.max(1, stage.stageHeight - Panel.HEIGHT - 2 * MARGIN);
	}

	function chooseSpread():Bool {
		return Navigation.useSpreads(areaWidth(), areaHeight(), settings.width, settings.height);
	}

	function layOut():Void {
		paintBackdrop(settings == null ? PageList.DEFAULT_BACKGROUND : settings.backgroundColor);
		placeMessage();
		if (settings == null)
			return;
		panel.y = stage.stageHeight - Panel.HEIGHT;
		panel.layOut(stage.stageWidth);
		var wantSpread = chooseSpread();
		if (wantSpread != spread) {
			finishTurnNow();
			var shown = Navigation.shownPages(spread, pageCount(), view);
			spread = wantSpread;
			view = Navigation.viewOfPage(spread, pageCount(), shown.length == 0 ? 0 : shown[0]);
			renderView();
		}
		zoomed = false;
		fit = Navigation.fitScale(spread, areaWidth(), areaHeight(), settings.width, settings.height);
		placeBook(fit);
		log('layout ${stage.stageWidth}x${stage.stageHeight} ' + (spread ? "spreads" : "single pages") + " controls " + panel.controlPositions());
	}

	function placeBook(scale:Float):Void {
		bookLayer.scaleX = bookLayer.scaleY = scale;
		var middle = stage.stageWidth / 2;
		bookLayer.x = spread ? middle : middle - settings.width * scale / 2;
		bookLayer.y = MARGIN + (areaHeight() - settings.height * scale) / 2;
	}

	function paintBackdrop(colour:Int):Void {
		backdrop.graphics.clear();
		backdrop.graphics.beginFill(colour);
		backdrop.graphics.drawRect(0, 0, Math.max(stage.stageWidth, 1), Math.max(stage.stageHeight, 1));
		backdrop.graphics.endFill();
	}

	// ---- views ------------------------------------------------------------------------------------

	function goToView(target:Int):Void {
		if (settings == null)
			return;
		var count = viewCount();
		target = target < 0 ? 0 : (target >= count ? count - 1 : target);
		if (turn != null)
			finishTurnNow();
		if (target == view)
			return;
		unzoom();
		startTurn(target > view ? view : target, target > view ? target : view, target > view, bottomCorner(), false);
	}

	// Relative moves count from where a running turn is heading, so quick presses are not lost.
	function turnBy(delta:Int):Void {
		finishTurnNow();
		goToView(view + delta);
	}

	function goToPage(page:Int):Void {
		if (page >= 0 && page < pageCount())
			goToView(Navigation.viewOfPage(spread, pageCount(), page));
	}

	function followLink(pdfIndex:Int):Void {
		var index = Navigation.indexOfPdfPage(settings.pages, pdfIndex);
		if (index == null)
			log('page ${pdfIndex + 1} is not in this book');
		else
			goToPage(index);
	}

	function goToTyped(text:String):Void {
		var page = Navigation.typedPage(text, pageCount());
		if (page == null)
			log('no page "$text" in this book');
		else
			goToPage(page);
	}

	function showView(target:Int):Void {
		view = target;
		renderView();
	}

	function renderView():Void {
		TurnScene.clear(pageLayer);
		var slots = Navigation.slots(spread, pageCount(), view);
		drawShadow(slots.left >= 0, slots.right >= 0);
		if (slots.left >= 0)
			placeFlat(page(slots.left), -settings.width);
		if (slots.right >= 0)
			placeFlat(page(slots.right), 0);
		drawSpine(slots.left >= 0, slots.right >= 0);
		keepKeyboard();
		panel.showPages(Navigation.label(spread, pageCount(), view));
		writeHash(Navigation.hashForView(spread, pageCount(), view));
		shownLogged = new Map();
		log("showing " + Navigation.label(spread, pageCount(), view));
		for (p in Navigation.shownPages(spread, pageCount(), view))
			if (pages.get(p).ready || pages.get(p).failed)
				pageSettled(pages.get(p));
		loadAround();
		log('holding ${Lambda.count(pages)} pages');
	}

	// Keys go to the focused object; one taken off the stage (a link on a page turned away) would swallow
	// them, so the stage takes the focus back.
	function keepKeyboard():Void {
		var focus = stage.focus;
		if (focus != null && focus.stage == null)
			stage.focus = stage;
	}

	function placeFlat(page:PageView, x:Float):Void {
		page.mask = null;
		page.transform.matrix = new flash.geom.Matrix(1, 0, 0, 1, x, 0);
		pageLayer.addChild(page);
	}

	// The book lies a little above the backdrop: a soft shadow down and to the right of its pages.
	function drawShadow(left:Bool, right:Bool):Void {
		var shadow = shadowLayer;
		shadow.graphics.clear();
		var x0 = left ? -settings.width : 0;
		var x1 = right ? settings.width : 0;
		var step = settings.width * 0.004;
		for (i in 1...5) {
			shadow.graphics.beginFill(0x000000, 0.045);
			shadow.graphics.drawRect(x0 - step * (i - 2), step * (i - 1), x1 - x0 + step * (2 * i - 2), settings.height + step * i);
			shadow.graphics.endFill();
		}
	}

	// A soft crease down the middle of an open spread.
	function drawSpine(left:Bool, right:Bool):Void {
		if (!spread)
			return;
		var crease = new Shape();
		var reach = settings.width * 0.06;
		for (side in [left ? -1 : 0, right ? 1 : 0]) {
			if (side == 0)
				continue;
			var m = new flash.geom.Matrix();
			m.createGradientBox(reach, settings.height, side < 0 ? Math.PI : 0, side < 0 ? -reach : 0, 0);
			crease.graphics.beginGradientFill(flash.display.GradientType.LINEAR, [0, 0], [0.22, 0], [0, 255], m);
			crease.graphics.drawRect(side < 0 ? -reach : 0, 0, reach, settings.height);
			crease.graphics.endFill();
		}
		pageLayer.addChild(crease);
	}

	function page(index:Int):PageView {
		var existing = pages.get(index);
		if (existing != null)
			return existing;
		var created = new PageView(index, settings.pages[index], settings.width, settings.height, followLink, pageSettled);
		pages.set(index, created);
		return created;
	}

	function pageSettled(settled:PageView):Void {
		if (turn != null || shownLogged.exists(settled.index))
			return;
		if (Navigation.shownPages(spread, pageCount(), view).indexOf(settled.index) < 0)
			return;
		shownLogged.set(settled.index, true);
		log('page ${settled.index + 1} ' + (settled.ready ? "shown" : "missing"));
		// index.html takes its cover away now that a page stands in its place.
		if (ExternalInterface.available) try ExternalInterface.call("function(){if(window.bookShown)window.bookShown();}") catch (e:Dynamic) {}
	}

	// Loads the view and its neighbours, nearest first, and lets go of pages further away.
	function loadAround():Void {
		for (p in Navigation.wantedPages(spread, pageCount(), view))
			page(p);
		var kept = Navigation.keptPages(spread, pageCount(), view);
		for (index in [for (k in pages.keys()) k])
			if (kept.indexOf(index) < 0) {
				pages.get(index).dispose();
				pages.remove(index);
			}
	}

	// ---- turning ----------------------------------------------------------------------------------

	function bottomCorner():Pt {
		return {x: settings.width, y: settings.height};
	}

	function rolesBetween(lower:Int, upper:Int):TurnRoles {
		var a = Navigation.slots(spread, pageCount(), lower);
		var b = Navigation.slots(spread, pageCount(), upper);
		inline function at(index:Int):Null<PageView> return index >= 0 ? page(index) : null;
		return {left: at(a.left), front: at(a.right), back: at(b.left), under: at(b.right)};
	}

	function isHardTurn(lower:Int, upper:Int):Bool {
		if (!settings.hardCover)
			return false;
		var last = pageCount() - 1;
		var a = Navigation.slots(spread, pageCount(), lower);
		var b = Navigation.slots(spread, pageCount(), upper);
		return [a.right, b.left].indexOf(0) >= 0 || [a.right, b.left].indexOf(last) >= 0;
	}

	function startTurn(lower:Int, upper:Int, forward:Bool, corner:Pt, dragging:Bool, peek = false):Void {
		var far:Pt = {x: -corner.x, y: corner.y};
		turn = {
			lower: lower,
			upper: upper,
			roles: rolesBetween(lower, upper),
			hard: isHardTurn(lower, upper),
			corner: corner,
			pointer: forward ? corner : far,
			dragging: dragging,
			peek: peek,
			forward: forward,
			from: forward ? corner : far,
			to: forward ? far : corner,
			started: haxe.Timer.stamp() * 1000,
			duration: TURN_MS
		};
		if (!peek)
			logTurn();
		// Pages around the target start loading while the sheet moves.
		for (p in Navigation.wantedPages(spread, pageCount(), forward ? upper : lower))
			page(p);
		drawTurn();
	}

	function logTurn():Void {
		log('turning ' + (turn.hard ? "stiff" : "soft") + ' from ' + Navigation.label(spread, pageCount(), turn.forward ? turn.lower : turn.upper));
	}

	function animate(_):Void {
		if (turn == null || turn.dragging)
			return;
		var s = (haxe.Timer.stamp() * 1000 - turn.started) / turn.duration;
		if (s >= 1) {
			finishTurnNow();
			return;
		}
		turn.pointer = Fold.travel(turn.from, turn.to, s, settings.width, settings.height);
		drawTurn();
	}

	function drawTurn():Void {
		var w = settings.width;
		var h = settings.height;
		turn.pointer = Fold.constrain(turn.pointer, turn.corner, w, h);
		if (turn.hard)
			TurnScene.hard(pageLayer, turn.roles, Fold.progress(turn.pointer, w), w, h);
		else
			TurnScene.soft(pageLayer, turn.roles, turn.corner, turn.pointer, w, h);
	}

	// Ends the turn where its animation was heading: on the far side the upper view is shown.
	function finishTurnNow():Void {
		if (turn == null)
			return;
		if (turn.peek) {
			cancelPeek();
			return;
		}
		var target = turn.to.x < 0 ? turn.upper : turn.lower;
		turn = null;
		if (settings != null)
			showView(target);
	}

	function cancelPeek():Void {
		if (turn == null || !turn.peek)
			return;
		turn = null;
		renderView();
	}

	// Lifts the corner under the pointer, or lets it fall back when the pointer leaves it.
	function peekAt(x:Float, y:Float):Void {
		var zone = edgePress(x, y, 0, 0);
		var h = settings.height;
		if (zone != null && y > h * CORNER && y < h * (1 - CORNER))
			zone = null;
		// A single page has nothing on its left for a backward corner to lift from.
		if (zone != null && !spread && !zone.forward)
			zone = null;
		if (turn != null && (zone == null || zone.forward != turn.forward || zone.corner.y != turn.corner.y))
			cancelPeek();
		if (zone == null)
			return;
		if (turn == null)
			startTurn(zone.forward ? view : view - 1, zone.forward ? view + 1 : view, zone.forward, zone.corner, true, true);
		var w = settings.width;
		var inward = zone.corner.y > 0 ? -1 : 1;
		turn.pointer = zone.forward ? {x: w * 0.9, y: zone.corner.y + inward * h * 0.035} : {x: -w * 0.9, y: zone.corner.y + inward * h * 0.035};
		drawTurn();
	}

	function releaseDrag():Void {
		var towardsUpper = turn.pointer.x < 0;
		turn.dragging = false;
		turn.from = turn.pointer;
		turn.to = towardsUpper ? {x: -turn.corner.x, y: turn.corner.y} : turn.corner;
		turn.duration = TURN_MS * Math.max(0.25, Math.abs(turn.to.x - turn.from.x) / (2 * settings.width));
		turn.started = haxe.Timer.stamp() * 1000;
	}

	// ---- pointer ----------------------------------------------------------------------------------

	function pressed(event:MouseEvent):Void {
		var now = haxe.Timer.stamp() * 1000;
		var doubleClick = now - lastPressTime < 400 && Math.abs(event.stageX - lastPress.x) < 8 && Math.abs(event.stageY - lastPress.y) < 8;
		lastPressTime = doubleClick ? -1000 : now;
		lastPress = {x: event.stageX, y: event.stageY};
		press = null;
		if (doubleClick) {
			finishTurnNow();
			toggleZoom(event.stageX, event.stageY);
			return;
		}
		if (zoomed) {
			panFrom = {x: event.stageX - bookLayer.x, y: event.stageY - bookLayer.y};
			holdPointer();
			return;
		}
		if (turn != null && turn.peek) {
			// The lifted corner is taken: a drag from here, or a click that turns the page.
			turn.peek = false;
			press = {stageX: event.stageX, stageY: event.stageY, forward: turn.forward, corner: turn.corner};
			logTurn();
			holdPointer();
			return;
		}
		if (turn != null)
			return;
		var local = pageLayer.globalToLocal(new flash.geom.Point(event.stageX, event.stageY));
		press = edgePress(local.x, local.y, event.stageX, event.stageY);
		if (press != null)
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

	// A press near a page's outer edge may become a drag or a click that turns the page.
	function edgePress(x:Float, y:Float, stageX:Float, stageY:Float):Null<Press> {
		var w = settings.width;
		var h = settings.height;
		if (y < 0 || y > h)
			return null;
		var corner:Pt = {x: w, y: y > h / 2 ? h : 0};
		var nextEdge = x > w * (1 - EDGE) && x <= w;
		var previousEdge = spread ? (x < -w * (1 - EDGE) && x >= -w) : (x >= 0 && x < w * EDGE);
		if (nextEdge && view + 1 < viewCount())
			return {stageX: stageX, stageY: stageY, forward: true, corner: corner};
		if (previousEdge && view > 0)
			return {stageX: stageX, stageY: stageY, forward: false, corner: corner};
		return null;
	}

	function moved(event:MouseEvent):Void {
		if (panFrom != null) {
			bookLayer.x = event.stageX - panFrom.x;
			bookLayer.y = event.stageY - panFrom.y;
			keepZoomedInView();
			return;
		}
		if (press == null && !zoomed && (turn == null || turn.peek)) {
			var at = pageLayer.globalToLocal(new flash.geom.Point(event.stageX, event.stageY));
			peekAt(at.x, at.y);
			return;
		}
		if (press != null && turn == null && movedFar(event, press)) {
			var forward = press.forward;
			startTurn(forward ? view : view - 1, forward ? view + 1 : view, forward, press.corner, true);
			press = null;
		}
		if (turn != null && turn.dragging && !turn.peek && !event.buttonDown) {
			// The button came up where no release reached us.
			released(null);
			return;
		}
		if (turn != null && turn.dragging && (press == null || movedFar(event, press))) {
			press = null;
			var local = pageLayer.globalToLocal(new flash.geom.Point(event.stageX, event.stageY));
			turn.pointer = {x: local.x, y: local.y};
			drawTurn();
		}
	}

	static function movedFar(event:MouseEvent, press:Press):Bool {
		return Math.abs(event.stageX - press.stageX) + Math.abs(event.stageY - press.stageY) > 6;
	}

	function released(_):Void {
		letGoOfPointer();
		if (panFrom != null)
			log('zoomed page moved to ${Math.round(bookLayer.x)},${Math.round(bookLayer.y)}');
		panFrom = null;
		if (turn != null && turn.dragging && press != null) {
			// A click on a lifted corner: the sheet goes all the way.
			press = null;
			releaseDrag();
			turn.to = turn.forward ? {x: -turn.corner.x, y: turn.corner.y} : turn.corner;
			turn.duration = TURN_MS;
			return;
		}
		if (turn != null && turn.dragging) {
			releaseDrag();
			return;
		}
		if (press != null) {
			var forward = press.forward;
			press = null;
			turnBy(forward ? 1 : -1);
		}
	}

	// ---- zoom and full screen ---------------------------------------------------------------------

	function zoomScale():Float {
		return Math.max(1.0, fit * 2);
	}

	function toggleZoom(stageX:Float, stageY:Float):Void {
		if (settings == null)
			return;
		if (zoomed) {
			unzoom();
			return;
		}
		finishTurnNow();
		var anchor = bookLayer.globalToLocal(new flash.geom.Point(stageX, stageY));
		zoomed = true;
		var scale = zoomScale();
		bookLayer.scaleX = bookLayer.scaleY = scale;
		bookLayer.x = stageX - anchor.x * scale;
		bookLayer.y = stageY - anchor.y * scale;
		keepZoomedInView();
		log("zoomed in");
	}

	function unzoom():Void {
		if (!zoomed)
			return;
		zoomed = false;
		panFrom = null;
		placeBook(fit);
		log("zoomed out");
	}

	// The enlarged pages may not be dragged away from the window's edges.
	function keepZoomedInView():Void {
		var scale = bookLayer.scaleX;
		var left = (spread ? -settings.width : 0) * scale;
		var right = settings.width * scale;
		var bottom = settings.height * scale;
		var viewWidth = stage.stageWidth;
		var viewHeight = stage.stageHeight - Panel.HEIGHT;
		bookLayer.x = clampInto(bookLayer.x, viewWidth - right, -left, (viewWidth - (right + left)) / 2);
		bookLayer.y = clampInto(bookLayer.y, viewHeight - bottom, 0, (viewHeight - bottom) / 2);
	}

	static function clampInto(value:Float, low:Float, high:Float, centred:Float):Float {
		if (low > high)
			return centred;
		return value < low ? low : (value > high ? high : value);
	}

	function toggleFullScreen():Void {
		try {
			stage.displayState = stage.displayState == StageDisplayState.NORMAL ? StageDisplayState.FULL_SCREEN : StageDisplayState.NORMAL;
			log("full screen " + (stage.displayState == StageDisplayState.NORMAL ? "off" : "on"));
		} catch (e:Dynamic) {
			log("full screen is not allowed here");
		}
	}

	// ---- keyboard ---------------------------------------------------------------------------------

	function keyPressed(event:KeyboardEvent):Void {
		if (settings == null || panel.isPageField(stage.focus))
			return;
		switch (event.keyCode) {
			case 37 | 38 | 33: // left, up, page up
				turnBy(-1);
			case 39 | 40 | 34: // right, down, page down
				turnBy(1);
			case 36: // home
				goToView(0);
			case 35: // end
				goToView(viewCount() - 1);
			case 27: // escape
				unzoom();
			default:
		}
	}

	// ---- the address ------------------------------------------------------------------------------

	function readHash():Null<String> {
		if (!ExternalInterface.available)
			return null;
		try {
			return ExternalInterface.call("function(){return window.location.hash;}");
		} catch (e:Dynamic) {
			return null;
		}
	}

	function writeHash(hash:String):Void {
		lastHash = hash;
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call("function(h){if(window.location.hash!==h){history.replaceState(null,'',h);}}", hash);
		} catch (e:Dynamic) {}
	}

	// A reader who edits the address (or follows a link to #page=N on the same page) is followed.
	function followAddress():Void {
		var hash = readHash();
		if (hash == null || hash == lastHash || hash == "")
			return;
		lastHash = hash;
		var target = Navigation.pageFromHash(hash, pageCount());
		if (target != null)
			goToPage(target);
	}

	// ---- messages ---------------------------------------------------------------------------------

	function showMessage(text:String):Void {
		hideMessage();
		message = Ui.label(text, 0x333333, 16, true);
		message.background = true;
		message.backgroundColor = 0xffffff;
		message.border = true;
		message.borderColor = 0x999999;
		flash.Lib.current.addChild(message);
		placeMessage();
	}

	function placeMessage():Void {
		if (message == null)
			return;
		message.width = Math.min(560, Math.max(200, stage.stageWidth - 40));
		message.x = (stage.stageWidth - message.width) / 2;
		message.y = (stage.stageHeight - message.height) / 2;
	}

	function hideMessage():Void {
		if (message != null && message.parent != null)
			message.parent.removeChild(message);
		message = null;
	}

	static function log(text:String):Void {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call("console.log", "quavelin: " + text);
		} catch (e:Dynamic) {}
	}
}
