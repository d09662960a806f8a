// Full-text search over the book index: text folded for case- and accent-insensitive matching, hits as
// runs of words on a page (a phrase may span several words), the boxes that mark a hit on its page, the
// snippet a results list shows, and stepping from hit to hit.
// Each page's words are joined and folded once; a search is then one indexOf run per page, which the
// player does natively, so a thousand-page book answers while the reader types.
import BookIndex.IndexData;

typedef Hit = {
	var page:Int; // 0-based position in the book
	var first:Int; // the words it spans, first and last (inclusive)
	var last:Int;
}

typedef WordBox = {
	var x:Float;
	var y:Float;
	var width:Float;
	var height:Float;
}

typedef Found = {
	var query:String; // as folded
	var hits:Array<Hit>;
	var complete:Bool; // false: the search stopped at the most hits it lists
}

class Search {
	public static inline var MOST = 1000;
	static inline var SNIPPET_WORDS = 6; // words shown each side of a hit
	static inline var SNIPPET_CHARS = 48; // at most, each side

	var index:IndexData;
	var folded:Array<String> = [];
	var starts = new Map<Int, Array<Int>>();

	public function new(index:IndexData) {
		this.index = index;
	}

	// Folds every page's text; `find` does it on first use when this has not run.
	public function prepare():Void {
		while (!prepareSome(1000000)) {}
	}

	// Folds pages for about `budgetMs` milliseconds and says whether all are done, so that a long book
	// is prepared over several frames while the reader starts typing.
	public function prepareSome(budgetMs:Float):Bool {
		var stop = haxe.Timer.stamp() + budgetMs / 1000;
		while (folded.length < index.text.length) {
			folded.push(foldPage(index.text[folded.length].words));
			if (haxe.Timer.stamp() >= stop)
				break;
		}
		return ready();
	}

	public function hasText():Bool {
		return BookIndex.hasWords(index);
	}

	public function ready():Bool {
		return folded.length == index.text.length;
	}

	public function find(query:Null<String>, most = MOST):Found {
		prepare();
		var wanted = foldQuery(query == null ? "" : query);
		var hits:Array<Hit> = [];
		if (wanted == "")
			return {query: wanted, hits: hits, complete: true};
		for (page in 0...folded.length) {
			var text = folded[page];
			var at = text.indexOf(wanted);
			while (at >= 0) {
				if (hits.length >= most)
					return {query: wanted, hits: hits, complete: false};
				hits.push(hitAt(page, at, wanted.length));
				at = text.indexOf(wanted, at + wanted.length);
			}
		}
		return {query: wanted, hits: hits, complete: true};
	}

	public function label(hit:Hit):String {
		return index.labels[hit.page];
	}

	// The hit's word boxes in its page file's stage, words side by side on a line joined into one box.
	public function boxes(hit:Hit):Array<WordBox> {
		var words = index.text[hit.page].words;
		var result:Array<WordBox> = [];
		for (i in hit.first...hit.last + 1) {
			var box = boxOf(words[i]);
			if (box == null)
				continue;
			var previous = result.length > 0 ? result[result.length - 1] : null;
			if (previous != null && sameLine(previous, box)) {
				var right = Math.max(previous.x + previous.width, box.x + box.width);
				var bottom = Math.max(previous.y + previous.height, box.y + box.height);
				previous.x = Math.min(previous.x, box.x);
				previous.y = Math.min(previous.y, box.y);
				previous.width = right - previous.x;
				previous.height = bottom - previous.y;
			} else {
				result.push(box);
			}
		}
		return result;
	}

	// The hit in its own words with a few words either side, "…" where the page goes on.
	public function snippet(hit:Hit):String {
		var words = index.text[hit.page].words;
		var before = [for (i in Std.int(Math.max(0, hit.first - SNIPPET_WORDS))...hit.first) wordText(words[i])].join(" ");
		var inside = [for (i in hit.first...hit.last + 1) wordText(words[i])].join(" ");
		var after = [for (i in hit.last + 1...Std.int(Math.min(words.length, hit.last + 1 + SNIPPET_WORDS))) wordText(words[i])].join(" ");
		if (before.length > SNIPPET_CHARS || hit.first > SNIPPET_WORDS)
			before = "\u2026" + StringTools.ltrim(before.substr(before.length - Std.int(Math.min(before.length, SNIPPET_CHARS))));
		if (after.length > SNIPPET_CHARS || hit.last + 1 + SNIPPET_WORDS < words.length)
			after = StringTools.rtrim(after.substr(0, SNIPPET_CHARS)) + "\u2026";
		return StringTools.trim((before == "" ? "" : before + " ") + inside + (after == "" ? "" : " " + after));
	}

	// The hit after (or before) `current` among `count`, round the ends.
	public static function step(count:Int, current:Int, forward:Bool):Int {
		if (count <= 0)
			return -1;
		if (current < 0 || current >= count)
			return forward ? 0 : count - 1;
		return (current + (forward ? 1 : count - 1)) % count;
	}

	// The first hit on or after a page, so that a search starts where the reader is.
	public static function firstFrom(hits:Array<Hit>, page:Int):Int {
		for (i in 0...hits.length)
			if (hits[i].page >= page)
				return i;
		return hits.length > 0 ? 0 : -1;
	}

	// ---- folding --------------------------------------------------------------------------------

	static var table:Map<Int, String>;
	static var foreign = ~/[^\x00-\x7f]/;
	static var ascii = ~/[\x00-\x7f]+/g;
	static var spaces = ~/\s+/g;

	// Lower case without accents, ligatures spelled out, typographic quotes and dashes made plain.
	// Each distinct character that folds is replaced throughout in one native pass: a page of Latin text
	// has a handful of them, where a pass character by character would cost the player seconds a book.
	public static function fold(text:String):String {
		var lower = text.toLowerCase();
		if (!foreign.match(lower))
			return lower;
		if (table == null)
			table = buildTable();
		var others = ascii.replace(lower, "");
		var seen = new Map<Int, Bool>();
		for (i in 0...others.length) {
			var code = StringTools.fastCodeAt(others, i);
			if (seen.exists(code))
				continue;
			seen.set(code, true);
			var mapped = table.get(code);
			if (mapped == null && code >= 0xff01 && code <= 0xff5e) // full-width forms of ASCII
				mapped = String.fromCharCode(code - 0xfee0).toLowerCase();
			if (mapped != null)
				lower = lower.split(String.fromCharCode(code)).join(mapped);
		}
		return lower;
	}

	// A query: folded, any run of spaces one space, nothing at the ends.
	public static function foldQuery(text:String):String {
		return StringTools.trim(spaces.replace(fold(text), " "));
	}

	// Character codes of the folded alphabet: each group of the string before "=" folds to the text after it.
	static var FOLDS = [
		"àáâãäåāăąǎǻạảấầẩẫậắằẳẵặ=a", "çćĉċč=c", "ďđð=d", "èéêëēĕėęěẹẻẽếềểễệ=e", "ĝğġģ=g", "ĥħ=h",
		"ìíîïĩīĭįıǐỉị=i", "ĵ=j", "ķ=k", "ĺļľŀł=l", "ñńņňŉ=n", "òóôõöøōŏőǒơọỏốồổỗộớờởỡợ=o", "ŕŗř=r",
		"śŝşšșſ=s", "ţťŧț=t", "ùúûüũūŭůűųưǔǖǘǚǜụủứừửữự=u", "ŵ=w", "ýÿŷỳỵỷỹ=y", "źżž=z",
		"ÀÁÂÃÄÅĀĂĄ=a", "Ç=c", "ÈÉÊËĒĘĚ=e", "ÌÍÎÏİ=i", "Ñ=n", "ÒÓÔÕÖØŌŐ=o", "ÙÚÛÜŪŮŰ=u", "ÝŸ=y", "ŠŞȘ=s", "ŽŻŹ=z",
		"ß=ss", "æÆ=ae", "œŒ=oe", "þÞ=th", "ĳ=ij", "ﬀ=ff", "ﬁ=fi", "ﬂ=fl", "ﬃ=ffi", "ﬄ=ffl", "ﬅﬆ=st",
		"άΆ=α", "έΈ=ε", "ήΉ=η", "ίϊΐΊΪ=ι", "όΌ=ο", "ύϋΰΎΫ=υ", "ώΏ=ω", "ς=σ",
		"ёЁ=е", "أإآٱ=ا",
		"‘’‚‛′=\'", "“”„‟″=\"", "‐‑‒–—―−=-", "\u00a0\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a\u202f\u205f\u3000= ",
	];

	// Marks that only decorate a letter: combining accents, Arabic vowel signs and tatweel, Hebrew
	// points, soft hyphens and zero-width characters.
	static var DROPPED = [[0x300, 0x36f], [0x64b, 0x65f], [0x670, 0x670], [0x640, 0x640], [0x591, 0x5bd], [0x5bf, 0x5bf],
		[0x5c1, 0x5c2], [0x5c4, 0x5c5], [0x5c7, 0x5c7], [0xad, 0xad], [0x200b, 0x200d], [0xfeff, 0xfeff]];

	static function buildTable():Map<Int, String> {
		var map = new Map<Int, String>();
		for (group in FOLDS) {
			var cut = group.lastIndexOf("=");
			var from = group.substr(0, cut);
			for (i in 0...from.length)
				map.set(StringTools.fastCodeAt(from, i), group.substr(cut + 1));
		}
		for (range in DROPPED)
			for (code in range[0]...range[1] + 1)
				map.set(code, "");
		return map;
	}

	// ---- pages ----------------------------------------------------------------------------------

	// The page's words folded and joined by single spaces, so word i is the i-th space-separated part.
	static function foldPage(words:Array<Dynamic>):String {
		var plain = [for (w in words) wordText(w)];
		var whole = fold(plain.join(" "));
		if (whole.split(" ").length == words.length || words.length == 0)
			return whole;
		// A word holding a space of its own would shift every word after it.
		return [for (w in plain) fold(w).split(" ").join("")].join(" ");
	}

	function hitAt(page:Int, at:Int, length:Int):Hit {
		var wordStarts = startsOf(page);
		return {page: page, first: wordAt(wordStarts, at), last: wordAt(wordStarts, at + length - 1)};
	}

	function startsOf(page:Int):Array<Int> {
		var known = starts.get(page);
		if (known != null)
			return known;
		var result = [];
		var offset = 0;
		for (part in folded[page].split(" ")) {
			result.push(offset);
			offset += part.length + 1;
		}
		starts.set(page, result);
		return result;
	}

	// The word holding a character: the last one that starts at or before it.
	static function wordAt(wordStarts:Array<Int>, offset:Int):Int {
		var low = 0;
		var high = wordStarts.length - 1;
		while (low < high) {
			var middle = (low + high + 1) >> 1;
			if (wordStarts[middle] <= offset)
				low = middle;
			else
				high = middle - 1;
		}
		return low;
	}

	static function wordText(word:Dynamic):String {
		if (!Std.isOfType(word, Array))
			return "";
		var text:Dynamic = word[4];
		return Std.isOfType(text, String) ? text : "";
	}

	static function boxOf(word:Dynamic):Null<WordBox> {
		if (!Std.isOfType(word, Array))
			return null;
		var values:Array<Dynamic> = word;
		if (values.length < 4)
			return null;
		for (i in 0...4)
			if (!Std.isOfType(values[i], Float) || !Math.isFinite(values[i]))
				return null;
		if (values[2] < 0 || values[3] < 0)
			return null;
		return {x: values[0], y: values[1], width: values[2], height: values[3]};
	}

	// Two boxes of one line: about the same height and place, the second starting after the first.
	static function sameLine(a:WordBox, b:WordBox):Bool {
		var tall = Math.max(a.height, b.height);
		var gap = b.x - (a.x + a.width);
		return Math.abs((a.y + a.height / 2) - (b.y + b.height / 2)) < tall * 0.5 && gap > -tall * 0.25 && gap < tall * 1.5;
	}
}
