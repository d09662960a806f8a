// The pages held in memory: each page's view made on first need, and those far from the view the reader
// is at let go of, so memory stays flat in a long book.
class PageLoader {
	var settings:PageList.BookSettings;
	var onLink:Int->Void;
	var onSettled:PageView->Void;
	var onShape:PageView->Void;
	var pages = new Map<Int, PageView>();
	var twins = new Map<Int, PageView>(); // second views of pages, for a page seen twice in one turn

	public function new(settings:PageList.BookSettings, onLink:Int->Void, onSettled:PageView->Void, onShape:PageView->Void) {
		this.settings = settings;
		this.onShape = onShape;
		this.onLink = onLink;
		this.onSettled = onSettled;
	}

	public function page(index:Int):PageView {
		var existing = pages.get(index);
		if (existing != null)
			return existing;
		var created = new PageView(index, settings.pages[index], settings.width, settings.height, onLink, onSettled, onShape);
		created.mirrored = settings.rightToLeft;
		pages.set(index, created);
		return created;
	}

	// A second view of a page: the back of a single page turned back shows the page itself coming in,
	// while its front is shown too. Only the page before the view shown keeps one.
	public function twin(index:Int):PageView {
		var existing = twins.get(index);
		if (existing != null)
			return existing;
		var created = new PageView(index, settings.pages[index], settings.width, settings.height, onLink, function(_) {}, function(_) {});
		created.mirrored = settings.rightToLeft;
		twins.set(index, created);
		return created;
	}

	public function held():Int {
		return Lambda.count(pages) + Lambda.count(twins);
	}

	// Loads the view and its neighbours, nearest first, and lets go of pages further away.
	public function keepAround(views:Views, view:Int):Void {
		for (p in views.wantedPages(view))
			page(p);
		var kept = views.keptPages(view);
		for (index in [for (k in pages.keys()) k])
			if (kept.indexOf(index) < 0) {
				pages.get(index).dispose();
				pages.remove(index);
			}
		var before = views.spread || view == 0 ? -1 : views.shownPages(view - 1)[0];
		var twinned = before >= 0 ? [before] : [];
		twinned = twinned.concat(boardPagesNear(views, view));
		for (index in twinned)
			twin(index);
		for (index in [for (k in twins.keys()) k])
			if (twinned.indexOf(index) < 0) {
				twins.get(index).dispose();
				twins.remove(index);
			}
	}

	// The faces of the stiff covers a turn from this view may swing (each drawn from two views), so
	// that their second views are loaded before the board moves.
	function boardPagesNear(views:Views, view:Int):Array<Int> {
		if (!settings.hardCover || !views.spread)
			return [];
		var last = views.pages - 1;
		return [0, 1, last - 1, last].filter(p -> p >= 0 && p <= last && Math.abs(views.viewOfPage(p) - view) <= 1);
	}

	// Starts loading the pages around a view the book is heading for.
	public function prepare(views:Views, view:Int):Void {
		for (p in views.wantedPages(view))
			page(p);
	}
}
