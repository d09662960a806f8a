// Which pages a view shows: spreads (cover alone on the right, then pairs) or single pages, the page
// label, the pages worth keeping loaded around a view, the deep-link address and the typed page number
// or page label.
// Page numbers here are 0-based indexes; the reader sees 1-based numbers.

typedef Slots = {
	var left:Int; // -1: nothing on that side
	var right:Int;
}

class Navigation {
	// How many views a book of `pages` pages has.
	public static function viewCount(spread:Bool, pages:Int):Int {
		if (pages <= 0)
			return 0;
		return spread ? Std.int(pages / 2) + 1 : pages;
	}

	// In single-page mode the page stands in the right slot.
	public static function slots(spread:Bool, pages:Int, view:Int):Slots {
		if (!spread)
			return {left: -1, right: valid(view, pages)};
		if (view == 0)
			return {left: -1, right: valid(0, pages)};
		return {left: valid(2 * view - 1, pages), right: valid(2 * view, pages)};
	}

	public static function viewOfPage(spread:Bool, pages:Int, page:Int):Int {
		var clamped = clamp(page, 0, pages - 1);
		return spread ? Std.int((clamped + 1) / 2) : clamped;
	}

	public static function shownPages(spread:Bool, pages:Int, view:Int):Array<Int> {
		var s = slots(spread, pages, view);
		return [s.left, s.right].filter(p -> p >= 0);
	}

	// "2-3 / 12" for a spread, "1 / 12" for a cover or a single page.
	public static function label(spread:Bool, pages:Int, view:Int):String {
		return pagesLabel(shownPages(spread, pages, view), pages, null);
	}

	// What the counter shows: the pages' own labels where the page list gives them ("xii-xiii / 300"),
	// else their positions as `label` gives them.
	public static function counter(spread:Bool, labels:Array<Null<String>>, view:Int):String {
		return pagesLabel(shownPages(spread, labels.length, view), labels.length, labels);
	}

	public static function pagesLabel(shown:Array<Int>, pages:Int, labels:Null<Array<Null<String>>>):String {
		if (shown.length == 0)
			return "0 / " + pages;
		var first = shown[0];
		var last = shown[shown.length - 1];
		var named = labels != null && labels[first] != null && labels[last] != null;
		var a = named ? labels[first] : '${first + 1}';
		var b = named ? labels[last] : '${last + 1}';
		return (first == last ? a : '$a-$b') + " / " + pages;
	}

	// What a screen reader says when pages come into view: "Page ii of 6", "Pages 4-5 of 120", the
	// labels written as the counter writes them.
	public static function announcement(shown:Array<Int>, pages:Int, labels:Null<Array<Null<String>>>):String {
		if (shown.length == 0)
			return 'No page of $pages';
		var counted = pagesLabel(shown, pages, labels);
		var which = counted.substr(0, counted.lastIndexOf(" / "));
		return (shown.length > 1 && shown[0] != shown[shown.length - 1] ? "Pages " : "Page ") + which + ' of $pages';
	}

	// The longest text the counter may have to show, so its room is set once per layout and never clips.
	public static function widestCounter(labels:Array<Null<String>>, spread:Bool):String {
		var pages = labels.length;
		var widest = StringTools.rpad("", "8", Std.string(pages).length);
		for (l in labels)
			if (l != null && l.length > widest.length)
				widest = l;
		return (spread ? '$widest-$widest' : widest) + " / " + pages;
	}

	// A label typed by the reader ("xii", "A-3"), matched as written and then ignoring case, or else a
	// 1-based position; null when it names no page.
	public static function typedTarget(text:Null<String>, labels:Array<Null<String>>):Null<Int> {
		if (text == null)
			return null;
		var trimmed = StringTools.trim(text);
		if (trimmed == "")
			return null;
		var folded = -1;
		for (i in 0...labels.length) {
			if (labels[i] == trimmed)
				return i;
			if (folded < 0 && labels[i] != null && labels[i].toLowerCase() == trimmed.toLowerCase())
				folded = i;
		}
		return folded >= 0 ? folded : typedPage(trimmed, labels.length);
	}

	// The view shown and its neighbours, nearest first: these are loaded.
	public static function wantedPages(spread:Bool, pages:Int, view:Int):Array<Int> {
		return pagesAround(spread, pages, view, 1);
	}

	// Pages outside this wider ring are unloaded, so that memory stays flat in a long book while a reader
	// turning back and forth does not reload the same pages.
	public static function keptPages(spread:Bool, pages:Int, view:Int):Array<Int> {
		return pagesAround(spread, pages, view, 2);
	}

	static function pagesAround(spread:Bool, pages:Int, view:Int, reach:Int):Array<Int> {
		var result = shownPages(spread, pages, view);
		var count = viewCount(spread, pages);
		for (distance in 1...reach + 1)
			for (neighbour in [view + distance, view - distance])
				if (neighbour >= 0 && neighbour < count)
					for (page in shownPages(spread, pages, neighbour))
						result.push(page);
		return result;
	}

	// Spreads when the window is wider than tall and a spread is not much smaller than one page would be.
	public static function useSpreads(areaWidth:Float, areaHeight:Float, pageWidth:Float, pageHeight:Float):Bool {
		if (areaWidth <= areaHeight)
			return false;
		var spreadScale = Math.min(areaWidth / (2 * pageWidth), areaHeight / pageHeight);
		var singleScale = Math.min(areaWidth / pageWidth, areaHeight / pageHeight);
		return spreadScale >= 0.75 * singleScale;
	}

	public static function fitScale(spread:Bool, areaWidth:Float, areaHeight:Float, pageWidth:Float, pageHeight:Float):Float {
		var across = spread ? 2 * pageWidth : pageWidth;
		return Math.max(0.01, Math.min(areaWidth / across, areaHeight / pageHeight));
	}

	// "#page=12" (among other "&"-separated parameters) gives page index 11; anything else gives null.
	public static function pageFromHash(hash:Null<String>, pages:Int):Null<Int> {
		if (hash == null)
			return null;
		var text = StringTools.startsWith(hash, "#") ? hash.substr(1) : hash;
		for (part in text.split("&")) {
			var pair = part.split("=");
			if (pair.length == 2 && pair[0] == "page")
				return typedPage(pair[1], pages);
		}
		return null;
	}

	public static function hashForView(spread:Bool, pages:Int, view:Int):String {
		var shown = shownPages(spread, pages, view);
		return "#page=" + (shown.length == 0 ? 1 : shown[0] + 1);
	}

	// A 1-based page number typed by the reader gives its index, or null when it names no page.
	public static function typedPage(text:Null<String>, pages:Int):Null<Int> {
		if (text == null)
			return null;
		var trimmed = StringTools.trim(text);
		if (!~/^[0-9]{1,9}$/.match(trimmed))
			return null;
		var number = Std.parseInt(trimmed);
		return (number >= 1 && number <= pages) ? number - 1 : null;
	}

	// Links name pages of the PDF; a book made from a page range keeps the PDF's page numbers in its
	// file names (test0007.swf is page 7), so the target is found by name, not by position.
	public static function indexOfPdfPage(sources:Array<String>, pdfIndex:Int):Null<Int> {
		var numbered = false;
		for (i in 0...sources.length) {
			var number = fileNumber(sources[i]);
			if (number == null)
				continue;
			numbered = true;
			if (number == pdfIndex + 1)
				return i;
		}
		return (!numbered && pdfIndex >= 0 && pdfIndex < sources.length) ? pdfIndex : null;
	}

	static function fileNumber(source:String):Null<Int> {
		var name = source.substr(source.lastIndexOf("/") + 1);
		var digits = ~/([0-9]+)[^0-9]*$/;
		return digits.match(name) ? Std.parseInt(digits.matched(1)) : null;
	}

	static function valid(page:Int, pages:Int):Int {
		return (page >= 0 && page < pages) ? page : -1;
	}

	static function clamp(value:Int, low:Int, high:Int):Int {
		return value < low ? low : (value > high ? high : value);
	}
}
