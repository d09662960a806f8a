// The pages held in memory: each page's view made on first need, and those far from the view the reader
// is at let go of, so memory stays flat in a long book.
class PageLoader {
	var settings:PageList.BookSettings;
	var onLink:Int->Void;
	var onSettled:PageView->Void;
	var pages = new Map<Int, PageView>();

	public function new(settings:PageList.BookSettings, onLink:Int->Void, onSettled:PageView->Void) {
		this.settings = settings;
		this.onLink = onLink;
		this.onSettled = onSettled;
	}

	public function page(index:Int):PageView {
		var existing = pages.get(index);
		if (existing != null)
			return existing;
		var created = new PageView(index, settings.pages[index], settings.width, settings.height, onLink, onSettled);
		pages.set(index, created);
		return created;
	}

	public function held():Int {
		return Lambda.count(pages);
	}

	// Loads the view and its neighbours, nearest first, and lets go of pages further away.
	public function keepAround(spread:Bool, view:Int):Void {
		var count = settings.pages.length;
		for (p in Navigation.wantedPages(spread, count, view))
			page(p);
		var kept = Navigation.keptPages(spread, count, view);
		for (index in [for (k in pages.keys()) k])
			if (kept.indexOf(index) < 0) {
				pages.get(index).dispose();
				pages.remove(index);
			}
	}

	// Starts loading the pages around a view the book is heading for.
	public function prepare(spread:Bool, view:Int):Void {
		for (p in Navigation.wantedPages(spread, settings.pages.length, view))
			page(p);
	}
}
