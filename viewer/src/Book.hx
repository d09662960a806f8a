// The flip-book viewer: loads data/pages.xml and wires the parts that show the book: the page loader,
// the views and their layout (spreads or single pages, each page at its own shape), the turning of
// pages, the reader's pointer and keys, the panel, the address and history, the notices, the overview,
// contents and search. The view being shown, the zoom (its levels and bounds from Zoom) and full screen
// live here.
import Panel.PanelActions;
import PageList.BookSettings;
import Zoom.Framing;
import flash.display.Shape;
import flash.display.Sprite;
import flash.display.StageAlign;
import flash.display.StageDisplayState;
import flash.display.StageQuality;
import flash.display.StageScaleMode;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.KeyboardEvent;
import flash.events.SecurityErrorEvent;
import flash.external.ExternalInterface;
import flash.net.URLLoader;
import flash.net.URLRequest;

class Book {
	static inline var PAGE_LIST = "data/pages.xml";

	var stage:flash.display.Stage;
	var settings:BookSettings;
	var backdrop = new Shape();
	var bookLayer = new Sprite();
	var pageLayer = new Sprite();
	var shadowLayer = new Shape(); // under the pages, kept while a sheet turns
	var notice:Notice;
	var panel:Panel;
	var commands:PanelActions; // the panel's buttons, and the keys that do the same
	var pages:PageLoader;
	var turning:Turning;
	var input:Input;
	var history:History;
	var finder:Null<Finder>; // contents and search, in a book that offers either
	var spread = true;
	var views:Views;
	var wide = new Map<Int, Bool>(); // pages found much wider than the page list's shape
	var plan = false; // a wide page was found while a sheet turned: the views are remade after it
	var aimed:Null<Int>; // the page a jump or deep link went to, kept in sight when the views change
	var view = 0;
	var fit = 1.0;
	var factor = 1.0; // the zoom level, as a factor of the fitted size
	var zoomed(get, never):Bool;
	var pinch:Null<{factor:Float, distance:Float, from:Framing, x:Float, y:Float}>;
	var overview:Null<Overview>;
	var shownLogged = new Map<Int, Bool>();
	var reducedMotion = false; // the reader's system asks for less motion: pages turn without the curl
	var keysShown = false;

	static inline var KEYS = "Keys of the book\n\n"
		+ "Right, Down, Page Down, Space: next pages\n"
		+ "Left, Up, Page Up, Shift+Space: previous pages\n"
		+ "Home, End: first and last page\n"
		+ "+ and -: zoom in and out; Esc: whole page\n"
		+ "G: go to a page by its number\n"
		+ "O: all pages\n"
		+ "C: contents\n"
		+ "F or /: search\n"
		+ "U: full screen\n"
		+ "?: this list (any key closes it)";

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
		notice = new Notice(stage);
		notice.show("Loading the book\u2026");
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
		notice.show(text);
		Log.line(text);
	}

	function start(parsed:BookSettings):Void {
		settings = parsed;
		notice.hide();
		paintBackdrop(settings.backgroundColor);
		bookLayer.addChild(shadowLayer);
		bookLayer.addChild(pageLayer);
		flash.Lib.current.addChild(bookLayer);
		commands = buildCommands();
		flash.Lib.current.addChild(panel = new Panel(settings, commands));
		pages = new PageLoader(settings, followLink, pageSettled, shapeKnown);
		turning = buildTurning();
		input = buildInput();
		history = new History(pageCount(), goToPage);
		if (settings.contents || settings.search)
			flash.Lib.current.addChild(finder = buildFinder());
		stage.addEventListener(Event.ENTER_FRAME, function(_) turning.animate());
		reducedMotion = askedForLessMotion();
		if (reducedMotion)
			Log.line("reduced motion: pages turn without animation");
		if (ExternalInterface.available)
			try {
				ExternalInterface.addCallback("pinch", pinched);
			} catch (e:Dynamic) {}
		spread = chooseSpread();
		views = new Views(spread, pageCount(), wide);
		faceReadingDirection();
		layOut();
		var deepLink = history.initialPage();
		aimed = deepLink;
		showView(views.viewOfPage(deepLink == null ? 0 : deepLink));
		Log.line('book of ${pageCount()} pages opened');
	}

	function buildCommands():PanelActions {
		return {
			first: function() turnTo(0),
			previous: function() turnBy(-1),
			next: function() turnBy(1),
			last: function() turnTo(viewCount() - 1),
			zoomIn: zoomIn,
			zoomOut: zoomOut,
			overview: openOverview,
			contents: openContents,
			search: openSearch,
			fullScreen: toggleFullScreen,
			download: downloadPdf,
			print: printBook,
			share: shareView,
			goTo: goToTyped
		};
	}

	function buildTurning():Turning {
		return new Turning({
			layer: pageLayer,
			width: settings.width,
			height: settings.height,
			hardCover: settings.hardCover,
			pageCount: pageCount(),
			pages: pages,
			views: function() return views,
			view: function() return view,
			spread: function() return spread,
			grabAt: grabAt,
			plainTurn: plainTurn,
			show: showView,
			render: renderView
		});
	}

	function buildInput():Input {
		return new Input({
			bookLayer: bookLayer,
			pageLayer: pageLayer,
			turning: turning,
			width: settings.width,
			height: settings.height,
			rightToLeft: settings.rightToLeft,
			commands: commands,
			keyTaken: keyTaken,
			showKeys: showKeys,
			focusPageField: panel.focusPageField,
			inSight: inSight,
			lessMotion: function() return reducedMotion,
			view: function() return view,
			viewCount: viewCount,
			plainTurn: plainTurn,
			grabAt: grabAt,
			onPage: onPage,
			tapWay: tapWay,
			linkUnder: linkUnder,
			zoomed: function() return zoomed,
			pinching: function() return pinch != null,
			fit: function() return fit,
			doubleTap: function(stageX, stageY) zoomTo(Zoom.doubleTapFactor(factor), stageX, stageY),
			unzoom: unzoom,
			panTo: panTo,
			wheeled: wheeled
		}, stage);
	}

	// The book takes the reader's zoom, pinch, wheel and hovering pointer once it has opened and while
	// no overview lies over it.
	function inSight():Bool {
		return settings != null && overview == null;
	}

	inline function pageCount():Int {
		return settings.pages.length;
	}

	inline function viewCount():Int {
		return views.count();
	}

	// ---- layout -----------------------------------------------------------------------------------

	function area():Layout.Box {
		return Layout.area(stage.stageWidth, stage.stageHeight, Panel.HEIGHT);
	}

	function chooseSpread():Bool {
		var a = area();
		return Navigation.useSpreads(a.width, a.height, settings.width, settings.height);
	}

	function layOut():Void {
		paintBackdrop(settings == null ? PageList.DEFAULT_BACKGROUND : settings.backgroundColor);
		notice.place();
		if (settings == null)
			return;
		var wantSpread = chooseSpread();
		panel.y = stage.stageHeight - Panel.HEIGHT;
		panel.reserveCounter(Navigation.widestCounter(settings.labels, wantSpread));
		panel.layOut(stage.stageWidth);
		if (finder != null)
			finder.layOut(stage.stageWidth, stage.stageHeight - Panel.HEIGHT);
		if (wantSpread != spread) {
			turning.finishNow();
			spread = wantSpread;
			faceReadingDirection();
			remakeViews();
			renderView();
		}
		factor = 1;
		input.stopPanning();
		placeBook();
		if (overview != null)
			overview.layOut(stage.stageWidth, stage.stageHeight - Panel.HEIGHT);
		Log.line('layout ${stage.stageWidth}x${stage.stageHeight} ' + (spread ? "spreads" : "single pages") + " controls " + panel.controlPositions());
	}

	function placeBook():Void {
		var placement = Layout.place(area(), spread, settings.width, settings.height);
		fit = placement.scale;
		bookLayer.scaleX = bookLayer.scaleY = fit;
		bookLayer.x = placement.x;
		bookLayer.y = placement.y;
	}

	// A book that reads right to left is the same book in a mirror: the pages and their shadow are laid
	// out and turned as in any book, on layers mirrored about the spine (or, for single pages, about the
	// page's middle), and each page is mirrored back so that it reads as it should. Positions the pointer
	// gives in the page layer's units are therefore already in the reading direction.
	function faceReadingDirection():Void {
		var frame = Reading.pageLayerFrame(spread, settings.width, settings.rightToLeft);
		for (layer in ([pageLayer, shadowLayer] : Array<flash.display.DisplayObject>)) {
			layer.scaleX = frame.scaleX;
			layer.x = frame.x;
		}
	}

	function paintBackdrop(colour:Int):Void {
		backdrop.graphics.clear();
		backdrop.graphics.beginFill(colour);
		backdrop.graphics.drawRect(0, 0, Math.max(stage.stageWidth, 1), Math.max(stage.stageHeight, 1));
		backdrop.graphics.endFill();
	}

	// What a press at (x, y) in book units grabs to turn, if anything.
	function grabAt(x:Float, y:Float):Null<Layout.Grab> {
		return Layout.grab(x, y, settings.width, settings.height, spread || views.slots(view).across, view + 1 < viewCount(), view > 0);
	}

	// Which way a tap at (x, y) in book units turns, if any way is open.
	function tapWay(x:Float, y:Float):Null<Bool> {
		var way = Gesture.tap(x, y, settings.width, settings.height, spread, views.slots(view).across);
		if (way == null || (way && view + 1 >= viewCount()) || (!way && view == 0))
			return null;
		return way;
	}

	// Whether (x, y) in book units lies on a page of the view shown.
	function onPage(x:Float, y:Float):Bool {
		for (slot in Layout.pageSlots(views.slots(view), spread, settings.width))
			if (x >= slot.x && x <= slot.x + slot.width && y >= 0 && y <= settings.height)
				return true;
		return false;
	}

	function linkUnder(stageX:Float, stageY:Float):Bool {
		for (p in views.shownPages(view))
			if (pages.page(p).linkAt(stageX, stageY))
				return true;
		return false;
	}

	// A turn to or from a wide page across the spread has no sheet to fold: the view changes at once.
	function plainTurn(lower:Int, upper:Int):Bool {
		return reducedMotion || views.slots(lower).across || views.slots(upper).across;
	}

	static function askedForLessMotion():Bool {
		if (!ExternalInterface.available)
			return false;
		try {
			return ExternalInterface.call("function(){return !!(window.matchMedia&&window.matchMedia('(prefers-reduced-motion: reduce)').matches);}") == true;
		} catch (e:Dynamic) {
			return false;
		}
	}

	// The page field, the list of keys and the overview have a key before the book does; "?" is asked for
	// by its character, whatever the keyboard, and any key closes the list.
	function keyTaken(event:KeyboardEvent):Bool {
		if (panel.isPageField(stage.focus))
			return true;
		if (keysShown) {
			hideKeys();
			return true;
		}
		if (event.charCode == "?".code) {
			showKeys();
			return true;
		}
		if (overview != null) {
			overview.keyPressed(event.keyCode);
			return true;
		}
		return false;
	}

	function showKeys():Void {
		notice.show(KEYS);
		keysShown = true;
		Log.line("keys shown");
	}

	function hideKeys():Void {
		notice.hide();
		keysShown = false;
		Log.line("keys hidden");
	}

	// A page's own shape is known: one much wider than the page list's shape gets a view of its own
	// across the spread, and the views are remade around the page being read.
	function shapeKnown(page:PageView):Void {
		if (wide.exists(page.index) || !Views.isWide(page.naturalWidth, page.naturalHeight, settings.width, settings.height))
			return;
		wide.set(page.index, true);
		Log.line('page ${page.index + 1} is wide: shown across the spread');
		if (!spread)
			return;
		if (turning.active()) {
			plan = true;
			return;
		}
		var before = views.slots(view);
		remakeViews();
		var after = views.slots(view);
		if (after.left != before.left || after.right != before.right || after.across != before.across)
			renderView();
		else
			pages.keepAround(views, view);
	}

	// New views (spreads or single pages, wide pages alone) that keep the reader at the page they read.
	function remakeViews():Void {
		var shown = views.shownPages(view);
		var keep = aimed != null && shown.indexOf(aimed) >= 0 ? aimed : (shown.length == 0 ? 0 : shown[0]);
		views = new Views(spread, pageCount(), wide);
		view = views.viewOfPage(keep);
		plan = false;
	}

	// ---- views ------------------------------------------------------------------------------------

	function goToView(target:Int):Void {
		if (settings == null)
			return;
		var count = viewCount();
		target = target < 0 ? 0 : (target >= count ? count - 1 : target);
		turning.finishNow();
		if (target == view)
			return;
		unzoom();
		if (plainTurn(target > view ? view : target, target > view ? target : view)) {
			Log.line("turning plain from " + views.label(view));
			showView(target);
			return;
		}
		turning.start(target > view ? view : target, target > view ? target : view, target > view, turning.bottomCorner(), false);
	}

	// The first or last view (or any by its number), with no page in particular in mind.
	function turnTo(target:Int):Void {
		aimed = null;
		goToView(target);
	}

	// Relative moves count from where a running turn is heading, so quick presses are not lost.
	function turnBy(delta:Int):Void {
		aimed = null;
		turning.finishNow();
		goToView(view + delta);
	}

	function goToPage(page:Int):Void {
		if (page < 0 || page >= pageCount())
			return;
		aimed = page;
		goToView(views.viewOfPage(page));
	}

	// The one way in for every jump a reader makes (a link, the page field, the contents, the overview):
	// the place left stays in the browser's history, so Back returns to it.
	public function jumpTo(page:Int):Void {
		if (page < 0 || page >= pageCount())
			return;
		turning.finishNow();
		var target = views.viewOfPage(page);
		if (target != view)
			history.jump(views.hash(target));
		goToPage(page);
	}

	function followLink(pdfIndex:Int):Void {
		var index = Navigation.indexOfPdfPage(settings.pages, pdfIndex);
		if (index == null) {
			Log.line('page ${pdfIndex + 1} is not in this book');
			notice.tell('Page ${pdfIndex + 1} is not in this book.');
		} else {
			jumpTo(index);
		}
	}

	function goToTyped(text:String):Void {
		var page = Navigation.typedTarget(text, settings.labels);
		if (page == null) {
			Log.line('no page "$text" in this book');
			notice.tell('There is no page \u201c${StringTools.trim(text)}\u201d in this book (1\u2013${pageCount()}).');
		} else {
			jumpTo(page);
		}
	}

	function showView(target:Int):Void {
		view = target;
		if (plan)
			remakeViews();
		renderView();
	}

	function renderView():Void {
		var slots = views.slots(view);
		var placed = [];
		var boxes = [];
		for (slot in Layout.pageSlots(slots, spread, settings.width)) {
			var page = pages.page(slot.page);
			page.fitInto(slot.width, settings.height, slot.align);
			var b = page.slotBox();
			placed.push({page: page, x: slot.x});
			boxes.push({x: slot.x + b.x, y: b.y, width: b.width, height: b.height});
		}
		TurnScene.bookShadow(shadowLayer, boxes, settings.width);
		TurnScene.flat(pageLayer, placed, spread && !slots.across, slots.left >= 0, slots.right >= 0, settings.width, settings.height);
		keepKeyboard();
		panel.showPages(views.counter(view, settings.labels));
		history.record(views.hash(view));
		shownLogged = new Map();
		Log.line("showing " + views.label(view));
		Log.line("counter " + views.counter(view, settings.labels));
		announcePages();
		for (p in views.shownPages(view)) {
			var shown = pages.page(p);
			if (finder != null)
				finder.attach(shown);
			if (shown.ready || shown.failed)
				pageSettled(shown);
		}
		pages.keepAround(views, view);
		Log.line('holding ${pages.held()} pages');
		// Pages turned by the panel while the overview is open are framed there too.
		if (overview != null)
			overview.showCurrent(views.shownPages(view));
	}

	// index.html reads it out in its live region, since the player itself says nothing to a screen reader.
	function announcePages():Void {
		var text = Navigation.announcement(views.shownPages(view), pageCount(), settings.labels);
		if (ExternalInterface.available)
			try ExternalInterface.call("function(t){if(window.bookPagesShown)window.bookPagesShown(t);}", text) catch (e:Dynamic) {}
	}

	// Keys go to the focused object; one taken off the stage (a link on a page turned away) would swallow
	// them, so the stage takes the focus back.
	function keepKeyboard():Void {
		var focus = stage.focus;
		if (focus != null && focus.stage == null)
			stage.focus = stage;
	}

	function pageSettled(settled:PageView):Void {
		if (finder != null)
			finder.attach(settled);
		if (turning.active() || shownLogged.exists(settled.index))
			return;
		if (views.shownPages(view).indexOf(settled.index) < 0)
			return;
		shownLogged.set(settled.index, true);
		Log.line('page ${settled.index + 1} ' + (settled.ready ? "shown" + boxOnStage(settled) : "missing"));
		// index.html takes its cover away now that a page stands in its place.
		if (ExternalInterface.available) try ExternalInterface.call("function(){if(window.bookShown)window.bookShown();}") catch (e:Dynamic) {}
	}

	// " at x,y wxh": where a shown page lies on the stage, for the log.
	function boxOnStage(page:PageView):String {
		var b = page.box();
		var topLeft = page.localToGlobal(new flash.geom.Point(b.x, b.y));
		var bottomRight = page.localToGlobal(new flash.geom.Point(b.x + b.width, b.y + b.height));
		return ' at ${Math.round(topLeft.x)},${Math.round(topLeft.y)} ${Math.round(bottomRight.x - topLeft.x)}x${Math.round(bottomRight.y - topLeft.y)}';
	}

	// ---- overview, contents and search ------------------------------------------------------------

	// Opens the thumbnail overview over the book, or closes it when it is open.
	function openOverview():Void {
		if (settings == null)
			return;
		if (overview != null) {
			closeOverview();
			return;
		}
		input.dropPendingClick();
		turning.finishNow();
		turning.cancelPeek();
		unzoom();
		overview = new Overview(settings, {open: openThumbnail, close: closeThumbnail}, {jump: overviewJump, close: closeOverview});
		flash.Lib.current.addChildAt(overview, flash.Lib.current.getChildIndex(bookLayer) + 1);
		overview.layOut(stage.stageWidth, stage.stageHeight - Panel.HEIGHT);
		var shown = views.shownPages(view);
		overview.showCurrent(shown);
		Log.line('overview opened at page ${shown.length > 0 ? shown[0] + 1 : 0}');
	}

	function closeOverview():Void {
		if (overview == null)
			return;
		overview.dispose();
		overview = null;
		stage.focus = stage;
		Log.line("overview closed");
	}

	function overviewJump(index:Int):Void {
		closeOverview();
		Log.line('overview jump to page ${index + 1}');
		jumpTo(index);
	}

	// Thumbnails are page views of their own, apart from the book's, scaled down by the overview.
	function openThumbnail(index:Int, settled:Void->Void):flash.display.DisplayObject {
		return new PageView(index, settings.pages[index], settings.width, settings.height, function(_) {}, function(_) settled(), function(_) {});
	}

	function closeThumbnail(thumbnail:flash.display.DisplayObject):Void {
		cast(thumbnail, PageView).dispose();
	}

	function buildFinder():Finder {
		return new Finder({
			stage: stage,
			settings: settings,
			indexSource: settings.index == null ? "data/book.json" : settings.index,
			jump: jumpTo,
			show: goToPage,
			pageView: function(page) return pages.page(page),
			log: Log.line
		});
	}

	// Only what the book offers opens: the panel hides the other button, and its key does nothing.
	function openContents():Void {
		if (finder != null && settings.contents)
			finder.openContents();
	}

	function openSearch():Void {
		if (finder != null && settings.search)
			finder.openSearch();
	}

	// ---- zoom -------------------------------------------------------------------------------------

	function get_zoomed():Bool {
		return !Zoom.isFitted(factor);
	}

	// The room a zoomed book may fill: the whole window above the panel.
	function room():Layout.Box {
		return {x: 0, y: 0, width: stage.stageWidth, height: Math.max(1, stage.stageHeight - Panel.HEIGHT)};
	}

	// The pages the view shows, in book units: a cover alone is one page, not the empty side beside it.
	function shownBox():Layout.Box {
		var slots = views.slots(view);
		if (slots.across)
			return {x: -settings.width, y: 0, width: 2 * settings.width, height: settings.height};
		var left = slots.left >= 0 ? -settings.width : 0.0;
		var right = slots.right >= 0 || slots.left < 0 ? settings.width : 0.0;
		var box:Layout.Box = {x: left, y: 0, width: right - left, height: settings.height};
		return settings.rightToLeft && spread ? Layout.mirrorBox(box, 0) : box;
	}

	function framing():Framing {
		return {scale: bookLayer.scaleX, x: bookLayer.x, y: bookLayer.y};
	}

	// Puts the zoomed book where it was asked to go, or as near as the bounds allow.
	function frame(wanted:Framing):Void {
		var kept = Zoom.clamp(wanted, shownBox(), room());
		bookLayer.scaleX = bookLayer.scaleY = kept.scale;
		bookLayer.x = kept.x;
		bookLayer.y = kept.y;
	}

	function zoomIn():Void {
		zoomBy(1, stage.stageWidth / 2, room().height / 2);
	}

	function zoomOut():Void {
		zoomBy(-1, stage.stageWidth / 2, room().height / 2);
	}

	function zoomBy(steps:Int, stageX:Float, stageY:Float):Void {
		zoomTo(Zoom.stepLevel(factor, steps), stageX, stageY);
	}

	// Zooms to a level about a stage point: the page point under it stays there as far as the bounds allow.
	function zoomTo(level:Float, stageX:Float, stageY:Float):Void {
		if (!inSight())
			return;
		turning.finishNow();
		input.stopPanning();
		if (Zoom.isFitted(level)) {
			unzoom();
			return;
		}
		var was = factor;
		factor = level;
		frame(Zoom.zoomAt(framing(), fit * level, stageX, stageY));
		Log.line((Zoom.isFitted(was) ? "zoomed in" : "zoomed") + ' to ${level}x, scale ${Math.round(bookLayer.scaleX * 1000) / 1000} at '
			+ '${Math.round(bookLayer.x)},${Math.round(bookLayer.y)}');
	}

	// Back to the fitted book.
	function unzoom():Void {
		input.stopPanning();
		if (!zoomed)
			return;
		factor = 1;
		placeBook();
		Log.line("zoomed out");
	}

	function panTo(x:Float, y:Float):Void {
		frame({scale: bookLayer.scaleX, x: x, y: y});
	}

	// Ctrl and the wheel zoom about the pointer; the wheel alone moves a zoomed page up and down.
	function wheeled(delta:Float, ctrl:Bool, stageX:Float, stageY:Float):Void {
		if (!inSight() || delta == 0)
			return;
		var steps = Zoom.wheelSteps(delta, ctrl);
		if (steps != 0)
			zoomBy(steps, stageX, stageY);
		else if (zoomed)
			frame(Zoom.panBy(framing(), 0, delta * 40));
	}

	// Two fingers on the book, reported by the page around the player: "start", "move" and "end" with
	// the distance between the fingers and the stage point between them.
	function pinched(phase:String, distance:Float, x:Float, y:Float):Void {
		if (!inSight())
			return;
		switch (phase) {
			case "start":
				// The first finger may have begun a drag: the second one makes it a pinch instead.
				input.cancelPress();
				turning.cancelPeek();
				var turn = turning.turn;
				if (turn != null)
					turn.to = turn.forward ? turn.corner : {x: -turn.corner.x, y: turn.corner.y};
				turning.finishNow();
				pinch = {factor: factor, distance: distance, from: framing(), x: x, y: y};
			case "move":
				if (pinch == null)
					return;
				factor = Zoom.pinchFactor(pinch.factor, pinch.distance, distance);
				if (Zoom.isFitted(factor))
					placeBook();
				else
					frame(Zoom.panBy(Zoom.zoomAt(pinch.from, fit * factor, pinch.x, pinch.y), x - pinch.x, y - pinch.y));
			case "end":
				if (pinch == null)
					return;
				pinch = null;
				var level = Zoom.nearestLevel(factor);
				if (Zoom.isFitted(level)) {
					factor = Zoom.LEVELS[1]; // so that the fitted book is put back and said so
					unzoom();
				} else
					zoomTo(level, x, y);
			default:
		}
	}

	// ---- download, print and share ---------------------------------------------------------------

	function downloadPdf():Void {
		if (settings.download == null)
			return;
		Log.line('download ${settings.download}');
		Sharing.download(settings.download);
	}

	function printBook():Void {
		Log.line(settings.download != null ? 'print opens ${settings.download}' : "print the pages in view");
		Sharing.print(settings.download);
	}

	// The link to the pages in view, on the clipboard, and a word that it is there.
	function shareView():Void {
		var hash = views.hash(view);
		if (Sharing.share(hash, shareRefused)) {
			Log.line('link to $hash copied');
			notice.tell("Link to this page copied.");
		} else {
			shareRefused("index.html" + hash);
		}
	}

	function shareRefused(address:String):Void {
		Log.line('link to $address not copied');
		notice.tell('The link could not be copied: $address');
	}

	// ---- full screen ------------------------------------------------------------------------------

	function toggleFullScreen():Void {
		try {
			stage.displayState = stage.displayState == StageDisplayState.NORMAL ? StageDisplayState.FULL_SCREEN : StageDisplayState.NORMAL;
			Log.line("full screen " + (stage.displayState == StageDisplayState.NORMAL ? "off" : "on"));
		} catch (e:Dynamic) {
			Log.line("full screen is not allowed here");
		}
	}
}
