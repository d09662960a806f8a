// Contents and search for the book: reads the book index the first time the reader opens either (never
// at the book's opening, so a book costs nothing more to open), prepares the search over a few frames,
// opens and closes the two side panels, runs the reader's searches, steps from hit to hit and marks the
// current hit on its page. The book hands in how to turn to a page and is told which page views it shows.
import BookIndex.IndexData;
import Search.Found;
import flash.display.Sprite;
import flash.display.Stage;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLRequest;

typedef FinderHost = {
	var stage:Stage;
	var settings:PageList.BookSettings;
	var indexSource:String; // the index file, relative to the book
	var jump:Int->Void; // to a page (0-based) the reader chose in the contents; Back returns from it
	var show:Int->Void; // to the page of a search hit
	var pageView:Int->Null<PageView>; // the view of a page, when there is one
	var log:String->Void;
}

enum IndexState {
	Unread;
	Reading;
	Read(index:IndexData);
	Unreadable(reason:String);
}

class Finder extends Sprite {
	static inline var TYPING_PAUSE = 120; // ms after the last key before a search runs
	static inline var SLICE_MS = 40.0; // preparation per frame, so the book stays responsive

	var host:FinderHost;
	var state = Unread;
	var pending:Null<IndexData->Void>; // what to do once the index is read
	var pendingTitle = "";
	var requested = 0.0;
	var search:Null<Search>;
	var contents:Null<Contents>;
	var searchPanel:Null<SearchPanel>;
	var notice:Null<Sprite>;
	var shown:Null<Sprite>; // the panel open now
	var found:Null<Found>;
	var current = -1;
	var typing:Null<haxe.Timer>;
	var mark = new HitMark();
	var panelHeight = 100.0;

	public function new(host:FinderHost) {
		super();
		this.host = host;
	}

	public function layOut(stageWidth:Float, height:Float):Void {
		panelHeight = height;
		if (shown != null)
			place(shown);
	}

	public function isOpen():Bool {
		return shown != null;
	}

	public function openContents():Void {
		if (shown != null && (shown == contents || shown == notice)) {
			closePanel();
			return;
		}
		whenRead(function(index) {
			if (index.outline.length == 0) {
				showNotice("Contents", "This book has no contents.");
				return;
			}
			if (contents == null)
				contents = new Contents(index.outline, index.labels, SidePanel.colours(host.settings), contentsJump, closePanel);
			open(contents);
			contents.takeKeys();
			host.log('contents open: ${contents.rowCount()} rows, first at ${contents.rowPosition(0)}, row height ${Contents.ROW}');
		}, "Contents");
	}

	public function openSearch():Void {
		if (shown != null && shown == searchPanel) {
			closePanel();
			return;
		}
		if (searchPanel == null)
			searchPanel = new SearchPanel(SidePanel.colours(host.settings), {
				typed: typed,
				pick: function(index) showHit(index),
				step: step,
				close: closePanel
			});
		open(searchPanel);
		// Not at once: the key that opened the panel would type itself into the field.
		haxe.Timer.delay(searchPanel.takeKeys, 30);
		host.log('search open: field at ${searchPanel.fieldPosition()}');
		whenRead(function(index) {
			if (!search.hasText())
				searchPanel.showStatus("This book has no text to search.");
			else if (search != null && search.ready() && searchPanel.query() != "")
				runQuery();
		}, "Search");
	}

	public function closePanel():Void {
		if (shown == searchPanel)
			mark.clear();
		if (shown != null && shown.parent != null)
			shown.parent.removeChild(shown);
		shown = null;
		// The keys go back to the book.
		host.stage.focus = host.stage;
		host.log("side panel closed");
	}

	// The book calls this for each page view it shows or that has just loaded: the hit mark belongs on top.
	public function attach(view:PageView):Void {
		mark.attach(view);
	}

	// ---- the index ------------------------------------------------------------------------------

	function whenRead(then:IndexData->Void, title:String):Void {
		switch (state) {
			case Read(index):
				then(index);
			case Unreadable(reason):
				showUnreadable(title, reason);
			case Reading:
				pending = then;
				pendingTitle = title;
			case Unread:
				pending = then;
				pendingTitle = title;
				if (shown == null)
					showNotice(title, "Reading the book\u2019s index\u2026");
				read();
		}
	}

	function read():Void {
		state = Reading;
		requested = haxe.Timer.stamp();
		var request = new URLLoader();
		request.addEventListener(Event.COMPLETE, function(_) arrived(Std.string(request.data)));
		request.addEventListener(IOErrorEvent.IO_ERROR, function(_) unreadable('${host.indexSource} is missing or cannot be read'));
		request.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) unreadable('${host.indexSource} may not be read from here'));
		try {
			request.load(new URLRequest(host.indexSource));
		} catch (e:flash.errors.Error) {
			unreadable('${host.indexSource} cannot be loaded');
		}
	}

	function arrived(text:String):Void {
		switch (BookIndex.parse(text, host.settings.pages.length)) {
			case NoIndex(reason):
				unreadable('${host.indexSource} is not this book\u2019s index: $reason');
			case Loaded(index):
				state = Read(index);
				host.log('index read: ${index.pages} pages, ${index.outline.length} top entries in ${elapsed()} ms');
				search = new Search(index);
				host.stage.addEventListener(Event.ENTER_FRAME, prepareSlice);
				var then = pending;
				pending = null;
				if (then != null)
					then(index);
		}
	}

	function unreadable(reason:String):Void {
		state = Unreadable(reason);
		host.log('no book index: $reason');
		var then = pending;
		pending = null;
		if (then != null)
			showUnreadable(pendingTitle, reason);
	}

	function showUnreadable(title:String, reason:String):Void {
		if (title == "Search" && searchPanel != null && shown == searchPanel)
			searchPanel.showStatus("This book\u2019s text cannot be read.");
		else
			showNotice(title, "This book\u2019s contents cannot be read.");
	}

	function prepareSlice(_):Void {
		if (search == null || !search.prepareSome(SLICE_MS))
			return;
		host.stage.removeEventListener(Event.ENTER_FRAME, prepareSlice);
		host.log('search ready in ${elapsed()} ms');
		if (shown == searchPanel && search.hasText()) {
			searchPanel.showStatus("");
			if (searchPanel.query() != "")
				runQuery();
		}
	}

	function elapsed():Int {
		return Math.round((haxe.Timer.stamp() - requested) * 1000);
	}

	// ---- panels ---------------------------------------------------------------------------------

	function open(panel:Sprite):Void {
		if (shown != null && shown != panel && shown.parent != null) {
			if (shown == searchPanel)
				mark.clear();
			shown.parent.removeChild(shown);
		}
		shown = panel;
		addChild(panel);
		place(panel);
	}

	function place(panel:Sprite):Void {
		var width = SidePanel.width(host.stage.stageWidth);
		if (panel == contents)
			contents.layOut(width, panelHeight);
		else if (panel == searchPanel)
			searchPanel.layOut(width, panelHeight);
		else
			SidePanel.frame(panel, SidePanel.colours(host.settings), width, panelHeight);
	}

	function showNotice(title:String, text:String):Void {
		if (notice != null && notice.parent != null)
			notice.parent.removeChild(notice);
		notice = new Sprite();
		var colours = SidePanel.colours(host.settings);
		notice.addChild(SidePanel.title(title, colours));
		var close = SidePanel.button("close", colours, closePanel);
		close.x = SidePanel.width(host.stage.stageWidth) - close.width - 8;
		close.y = 6;
		notice.addChild(close);
		var words = Ui.label(text, colours.ink, 14);
		words.x = SidePanel.PAD;
		words.y = SidePanel.HEAD + 12;
		notice.addChild(words);
		SidePanel.keepKeys(notice, function(event) if (event.keyCode == 27) closePanel());
		open(notice);
		host.stage.focus = notice;
	}

	function contentsJump(page:Int):Void {
		host.log('contents: to page ${page + 1}');
		host.jump(page);
	}

	// ---- searching ------------------------------------------------------------------------------

	function typed(text:String):Void {
		if (typing != null)
			typing.stop();
		typing = haxe.Timer.delay(function() {
			typing = null;
			runQuery();
		}, TYPING_PAUSE);
	}

	function runQuery():Void {
		if (typing != null) {
			typing.stop();
			typing = null;
		}
		if (search == null || !search.ready()) {
			searchPanel.showStatus("Reading the book\u2019s text\u2026");
			return;
		}
		var query = searchPanel.query();
		var started = haxe.Timer.stamp();
		found = search.find(query);
		current = -1;
		mark.clear();
		var hits = found.hits;
		searchPanel.showHits(hits.length, function(i) return {label: search.label(hits[i]), snippet: search.snippet(hits[i])});
		searchPanel.showStatus(found.query == "" ? "" : hits.length == 0 ? "No hits" : countText());
		host.log('search "${found.query}": ${hits.length} hits' + (found.complete ? "" : " or more")
			+ (hits.length > 0 ? ', first on page ${hits[0].page + 1} at ${searchPanel.rowPosition(0)}' : "")
			+ ' in ${Math.round((haxe.Timer.stamp() - started) * 1000)} ms');
	}

	function countText():String {
		var count = found.hits.length;
		var total = found.complete ? '$count' : '$count+';
		return current < 0 ? '$total hit' + (count == 1 ? "" : "s") : '${current + 1} of $total';
	}

	function step(forward:Bool):Void {
		if (typing != null || (found != null && found.query != Search.foldQuery(searchPanel.query())))
			runQuery();
		if (found == null || found.hits.length == 0)
			return;
		showHit(Search.step(found.hits.length, current, forward));
	}

	function showHit(index:Int):Void {
		if (found == null || index < 0 || index >= found.hits.length)
			return;
		current = index;
		var hit = found.hits[index];
		var text = switch (state) {
			case Read(data): data.text[hit.page];
			default: null;
		}
		if (text == null)
			return;
		searchPanel.select(index);
		searchPanel.showStatus(countText());
		mark.clear();
		mark.show(hit.page, search.boxes(hit), text.width, text.height, host.settings.width, host.settings.height);
		host.show(hit.page);
		mark.attach(host.pageView(hit.page));
		host.log('hit ${index + 1} of ${found.hits.length} marked on page ${hit.page + 1}');
	}
}
