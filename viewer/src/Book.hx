// The flip-book viewer: loads data/pages.xml and wires the parts that show the book: the page loader,
// the layout of spreads or single pages, the turning of pages, the reader's pointer and keys, the panel,
// contents and search, the address and history, and the notices. The view being shown, the zoom and
// full screen live here.
import PageList.BookSettings;
import flash.display.Shape;
import flash.display.Sprite;
import flash.display.StageAlign;
import flash.display.StageDisplayState;
import flash.display.StageQuality;
import flash.display.StageScaleMode;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLRequest;

@:allow(Turning)
@:allow(Input)
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
	var pages:PageLoader;
	var turning:Turning;
	var input:Input;
	var history:History;
	var finder:Null<Finder>; // contents and search, in a book that offers either
	var spread = true;
	var view = 0;
	var fit = 1.0;
	var zoomed = false;
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
		flash.Lib.current.addChild(panel = buildPanel());
		panel.reserveCounter(Navigation.widestCounter(settings.labels));
		pages = new PageLoader(settings, followLink, pageSettled);
		turning = new Turning(this);
		input = new Input(this, stage);
		history = new History(pageCount(), goToPage);
		if (settings.contents || settings.search)
			flash.Lib.current.addChild(finder = buildFinder());
		stage.addEventListener(Event.ENTER_FRAME, function(_) turning.animate());
		spread = chooseSpread();
		layOut();
		var deepLink = history.initialPage();
		showView(Navigation.viewOfPage(spread, pageCount(), deepLink == null ? 0 : deepLink));
		Log.line('book of ${pageCount()} pages opened');
	}

	function buildPanel():Panel {
		return new Panel(settings, {
			first: function() goToView(0),
			previous: function() turnBy(-1),
			next: function() turnBy(1),
			last: function() goToView(viewCount() - 1),
			zoomIn: zoomIn,
			zoomOut: zoomOut,
			overview: openOverview,
			contents: openContents,
			search: openSearch,
			fullScreen: toggleFullScreen,
			goTo: goToTyped
		});
	}

	inline function pageCount():Int {
		return settings.pages.length;
	}

	inline function viewCount():Int {
		return Navigation.viewCount(spread, pageCount());
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
		panel.y = stage.stageHeight - Panel.HEIGHT;
		panel.layOut(stage.stageWidth);
		if (finder != null)
			finder.layOut(stage.stageWidth, stage.stageHeight - Panel.HEIGHT);
		var wantSpread = chooseSpread();
		if (wantSpread != spread) {
			turning.finishNow();
			var shown = Navigation.shownPages(spread, pageCount(), view);
			spread = wantSpread;
			view = Navigation.viewOfPage(spread, pageCount(), shown.length == 0 ? 0 : shown[0]);
			renderView();
		}
		zoomed = false;
		input.stopPanning();
		placeBook();
		Log.line('layout ${stage.stageWidth}x${stage.stageHeight} ' + (spread ? "spreads" : "single pages") + " controls " + panel.controlPositions());
	}

	function placeBook():Void {
		var placement = Layout.place(area(), spread, settings.width, settings.height);
		fit = placement.scale;
		bookLayer.scaleX = bookLayer.scaleY = fit;
		bookLayer.x = placement.x;
		bookLayer.y = placement.y;
	}

	function paintBackdrop(colour:Int):Void {
		backdrop.graphics.clear();
		backdrop.graphics.beginFill(colour);
		backdrop.graphics.drawRect(0, 0, Math.max(stage.stageWidth, 1), Math.max(stage.stageHeight, 1));
		backdrop.graphics.endFill();
	}

	// What a press at (x, y) in book units grabs to turn, if anything.
	function grabAt(x:Float, y:Float):Null<Layout.Grab> {
		return Layout.grab(x, y, settings.width, settings.height, spread, view + 1 < viewCount(), view > 0);
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
		zoomOut();
		turning.start(target > view ? view : target, target > view ? target : view, target > view, turning.bottomCorner(), false);
	}

	// Relative moves count from where a running turn is heading, so quick presses are not lost.
	function turnBy(delta:Int):Void {
		turning.finishNow();
		goToView(view + delta);
	}

	function goToPage(page:Int):Void {
		if (page >= 0 && page < pageCount())
			goToView(Navigation.viewOfPage(spread, pageCount(), page));
	}

	function followLink(pdfIndex:Int):Void {
		var index = Navigation.indexOfPdfPage(settings.pages, pdfIndex);
		if (index == null)
			Log.line('page ${pdfIndex + 1} is not in this book');
		else
			goToPage(index);
	}

	function goToTyped(text:String):Void {
		var page = Navigation.typedTarget(text, settings.labels);
		if (page == null)
			Log.line('no page "$text" in this book');
		else
			goToPage(page);
	}

	function showView(target:Int):Void {
		view = target;
		renderView();
	}

	function renderView():Void {
		var slots = Navigation.slots(spread, pageCount(), view);
		TurnScene.bookShadow(shadowLayer, slots.left >= 0, slots.right >= 0, settings.width, settings.height);
		TurnScene.flat(pageLayer, slots.left >= 0 ? pages.page(slots.left) : null, slots.right >= 0 ? pages.page(slots.right) : null, spread,
			settings.width, settings.height);
		keepKeyboard();
		panel.showPages(Navigation.counter(spread, settings.labels, view));
		history.record(Navigation.hashForView(spread, pageCount(), view));
		shownLogged = new Map();
		Log.line("showing " + Navigation.label(spread, pageCount(), view));
		Log.line("counter " + Navigation.counter(spread, settings.labels, view));
		for (p in Navigation.shownPages(spread, pageCount(), view)) {
			var shown = pages.page(p);
			if (finder != null)
				finder.attach(shown);
			if (shown.ready || shown.failed)
				pageSettled(shown);
		}
		pages.keepAround(spread, view);
		Log.line('holding ${pages.held()} pages');
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
		if (Navigation.shownPages(spread, pageCount(), view).indexOf(settled.index) < 0)
			return;
		shownLogged.set(settled.index, true);
		Log.line('page ${settled.index + 1} ' + (settled.ready ? "shown" : "missing"));
	}

	// ---- overview, contents and search ------------------------------------------------------------

	function openOverview():Void Log.line("overview is not available yet");

	function buildFinder():Finder {
		return new Finder({
			stage: stage,
			settings: settings,
			indexSource: settings.index == null ? "data/book.json" : settings.index,
			jump: function(page) {
				history.push(Navigation.hashForView(spread, pageCount(), Navigation.viewOfPage(spread, pageCount(), page)));
				goToPage(page);
			},
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

	// ---- zoom and full screen ---------------------------------------------------------------------

	function zoomIn():Void {
		if (!zoomed)
			toggleZoom(stage.stageWidth / 2, (stage.stageHeight - Panel.HEIGHT) / 2);
	}

	function zoomOut():Void {
		if (!zoomed)
			return;
		zoomed = false;
		input.stopPanning();
		placeBook();
		Log.line("zoomed out");
	}

	function toggleZoom(stageX:Float, stageY:Float):Void {
		if (settings == null)
			return;
		if (zoomed) {
			zoomOut();
			return;
		}
		turning.finishNow();
		var anchor = bookLayer.globalToLocal(new flash.geom.Point(stageX, stageY));
		zoomed = true;
		var scale = Math.max(1.0, fit * 2);
		bookLayer.scaleX = bookLayer.scaleY = scale;
		bookLayer.x = stageX - anchor.x * scale;
		bookLayer.y = stageY - anchor.y * scale;
		keepZoomedInView();
		Log.line("zoomed in");
	}

	function panTo(x:Float, y:Float):Void {
		bookLayer.x = x;
		bookLayer.y = y;
		keepZoomedInView();
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
			Log.line("full screen " + (stage.displayState == StageDisplayState.NORMAL ? "off" : "on"));
		} catch (e:Dynamic) {
			Log.line("full screen is not allowed here");
		}
	}
}
