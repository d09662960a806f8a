// The views of a book as a reader turns through it: spreads (the cover alone on the right, then pairs)
// or single pages, where a page much wider than the page list's shape (a landscape page in a portrait
// book, a slide) stands alone across the whole spread instead of shrinking into one side. Page shapes
// become known as page files arrive, so the plan is remade when a wide page is found.

typedef ViewSlots = {
	var left:Int; // -1: nothing on that side
	var right:Int;
	var across:Bool; // one wide page over both sides; it stands in `right`
}

class Views {
	// A page this much wider than the page list's shape gets a view of its own across the spread.
	public static inline var WIDE = 1.3;

	public var spread(default, null):Bool;
	public var pages(default, null):Int;

	var views:Array<ViewSlots> = [];
	var viewOf:Array<Int> = [];

	public function new(spread:Bool, pages:Int, wide:Map<Int, Bool>) {
		this.spread = spread;
		this.pages = pages;
		if (!spread) {
			for (p in 0...pages)
				add({left: -1, right: p, across: false}, [p]);
			return;
		}
		if (pages == 0)
			return;
		add({left: -1, right: 0, across: wide.exists(0)}, [0]);
		var p = 1;
		while (p < pages) {
			if (wide.exists(p)) {
				add({left: -1, right: p, across: true}, [p]);
				p++;
			} else if (p + 1 < pages && !wide.exists(p + 1)) {
				add({left: p, right: p + 1, across: false}, [p, p + 1]);
				p += 2;
			} else {
				add({left: p, right: -1, across: false}, [p]);
				p++;
			}
		}
	}

	// Whether a page of the given shape is wide against the page list's page shape.
	public static function isWide(pageWidth:Float, pageHeight:Float, slotWidth:Float, slotHeight:Float):Bool {
		return pageWidth / pageHeight > WIDE * slotWidth / slotHeight;
	}

	function add(slots:ViewSlots, shown:Array<Int>):Void {
		for (p in shown)
			viewOf[p] = views.length;
		views.push(slots);
	}

	public function count():Int {
		return views.length;
	}

	public function slots(view:Int):ViewSlots {
		return view >= 0 && view < views.length ? views[view] : {left: -1, right: -1, across: false};
	}

	public function viewOfPage(page:Int):Int {
		if (pages == 0)
			return 0;
		return viewOf[page < 0 ? 0 : (page >= pages ? pages - 1 : page)];
	}

	public function shownPages(view:Int):Array<Int> {
		var s = slots(view);
		return [s.left, s.right].filter(p -> p >= 0);
	}

	// "2-3 / 12" for a spread, "1 / 12" for a page alone.
	public function label(view:Int):String {
		return labelWith(view, null);
	}

	// The counter: the pages' own labels where the page list gives them, else their positions.
	public function counter(view:Int, labels:Array<Null<String>>):String {
		return labelWith(view, labels);
	}

	function labelWith(view:Int, labels:Null<Array<Null<String>>>):String {
		return Navigation.pagesLabel(shownPages(view), pages, labels);
	}

	// The view shown and its neighbours, nearest first: these are loaded.
	public function wantedPages(view:Int):Array<Int> {
		return pagesAround(view, 1);
	}

	// Pages outside this wider ring are let go of.
	public function keptPages(view:Int):Array<Int> {
		return pagesAround(view, 2);
	}

	function pagesAround(view:Int, reach:Int):Array<Int> {
		var result = shownPages(view);
		for (distance in 1...reach + 1)
			for (neighbour in [view + distance, view - distance])
				if (neighbour >= 0 && neighbour < views.length)
					for (page in shownPages(neighbour))
						result.push(page);
		return result;
	}

	public function hash(view:Int):String {
		var shown = shownPages(view);
		return "#page=" + (shown.length == 0 ? 1 : shown[0] + 1);
	}
}
