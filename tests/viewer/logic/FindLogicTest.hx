// Table-driven tests of the book index and search: reading book.json (whole, partial and broken),
// folding for case- and accent-insensitive matching, phrases across words,
// the boxes that mark a hit, snippets and stepping from hit to hit. Run from ViewerLogicTest.
import BookIndex.IndexData;
import BookIndex.IndexResult;
import Search.Hit;

@:access(ViewerLogicTest)
class FindLogicTest {
	public static function run() {
		indexReadsTheAgreedFormat();
		brokenIndexesGiveNoIndex();
		damagedEntriesFallBack();
		foldingIgnoresCaseAndAccents();
		searchFindsWordsAndPhrases();
		hitBoxesAndSnippets();
		steppingThroughHits();
	}

	static inline function check(condition:Bool, what:String, ?pos:haxe.PosInfos)
		ViewerLogicTest.check(condition, what, pos);

	static inline function same<T>(actual:T, expected:T, what:String, ?pos:haxe.PosInfos)
		ViewerLogicTest.same(actual, expected, what, pos);

	static function indexOf(text:String, pages:Int):IndexData {
		return switch (BookIndex.parse(text, pages)) {
			case Loaded(index): index;
			case NoIndex(reason): throw 'unexpectedly no index: $reason';
		}
	}

	// A four-page book: a roman preface, two numbered pages and an appendix page, text on pages 2 and 3.
	static var SAMPLE = '{"version":1,"pages":4,"labels":["i","ii","1","A-1"],'
		+ '"outline":[{"title":"Preface","page":1},{"title":"Chapter 1","page":3,"children":[{"title":"Über Straße","page":3},'
		+ '{"title":"Missing part","page":0}]},{"title":"Appendix","page":4}],'
		+ '"text":[{"width":595,"height":842,"words":[]},'
		+ '{"width":595,"height":842,"words":[[72,100,40,12,"The"],[116,100,60,12,"Café"],[180,100,50,12,"ÉLAN"],'
		+ '[72,120,30,12,"vital"],[106,120,50,12,"Ἀθῆναι"],[160,120,60,12,"ΟΔΟΣ"],[224,120,40,12,"οδός"]]},'
		+ '{"width":612,"height":792,"words":[[50,60,30,10,"ﬁne"],[84,60,40,10,"Straße"],[128,60,40,10,"end."],'
		+ '[50,74,40,10,"东京"],[94,74,40,10,"مَدْرَسَة"],[138,74,40,10,"“quoted”"]]},'
		+ '{"width":595,"height":842,"words":[]}]}';

	static function indexReadsTheAgreedFormat() {
		var index = indexOf(SAMPLE, 4);
		same(index.labels, ["i", "ii", "1", "A-1"], "labels");
		same([for (e in index.outline) e.title + "@" + e.page], ["Preface@1", "Chapter 1@3", "Appendix@4"], "top level of the outline");
		same([for (e in index.outline[1].children) e.title + "@" + e.page], ["Über Straße@3", "Missing part@0"], "nested entries, one outside the book");
		same(index.outline[0].children.length, 0, "children omitted means none");
		same(index.text[2].width, 612, "a page's own stage width");
		same(index.text[1].words.length, 7, "words of page 2");
		check(BookIndex.hasWords(index), "a book with words offers search");
		var bare = indexOf('{"version":1,"pages":2,"labels":["1","2"],"outline":[],"text":[{"width":1,"height":1,"words":[]},{"width":1,"height":1,"words":[]}]}', 2);
		check(!BookIndex.hasWords(bare), "a scan without a text layer offers no search");
		same(bare.outline.length, 0, "no outline");
	}

	static function brokenIndexesGiveNoIndex() {
		var cases = [
			{text: null, pages: 4, reason: "empty"},
			{text: "", pages: 4, reason: "empty"},
			{text: "<content/>", pages: 4, reason: "not a JSON object"},
			{text: SAMPLE.substr(0, SAMPLE.length - 40), pages: 4, reason: "not a JSON object"}, // cut short
			{text: "[1,2,3]", pages: 4, reason: "not a JSON object"},
			{text: '"text"', pages: 4, reason: "not a JSON object"},
			{text: '{"pages":4}', pages: 4, reason: "version"},
			{text: '{"version":2,"pages":4}', pages: 4, reason: "version"},
			{text: '{"version":"1","pages":4}', pages: 4, reason: "version"},
			{text: SAMPLE, pages: 5, reason: "describes 4 pages, the book has 5"}, // an index of another book
			{text: '{"version":1,"pages":"4"}', pages: 4, reason: "pages"},
		];
		for (c in cases)
			switch (BookIndex.parse(c.text, c.pages)) {
				case Loaded(_):
					check(false, 'accepted a broken index: ${c.text}');
				case NoIndex(reason):
					check(reason.indexOf(c.reason) >= 0, '"${c.text}" gave "$reason", expected "${c.reason}"');
			}
	}

	static function damagedEntriesFallBack() {
		// Only "version" and "pages" are required; everything else falls back entry by entry.
		var index = indexOf('\u{FEFF}{"version":1,"pages":3,"labels":["a",7,""],"outline":[{"title":"Good","page":2},'
			+ '{"page":1},"junk",{"title":"Past the end","page":9},{"title":"Fraction","page":1.5},{"title":"Kids","page":1,"children":"x"}],'
			+ '"text":[{"width":-1,"height":"x","words":[[1,2,3,4,"ok"],"junk",[1,2],[1,2,3,4,5]]},null]}', 3);
		same(index.labels, ["a", "2", "3"], "labels that are no text give the position number");
		same([for (e in index.outline) e.title + "@" + e.page], ["Good@2", "Past the end@0", "Fraction@0", "Kids@1"], "outline entries");
		same(index.text.length, 3, "a page for every position");
		same(index.text[0].width, 0, "a page size that is no positive number");
		same(index.text[2].words.length, 0, "missing pages have no words");
		var search = new Search(index);
		var found = search.find("ok");
		same(found.hits.length, 1, "a good word among broken ones is found");
		same(search.boxes(found.hits[0]).length, 1, "and marked");
		same(search.find("junk").hits.length, 0, "a broken word entry has no text");
		same(indexOf('{"version":1,"pages":2}', 2).labels, ["1", "2"], "no labels at all");
	}

	static function foldingIgnoresCaseAndAccents() {
		var cases = [
			{text: "Café ÉLAN", folded: "cafe elan"}, {text: "Straße", folded: "strasse"}, {text: "ﬁne Œuvre", folded: "fine oeuvre"},
			{text: "Ἀθῆναι", folded: "Ἀθῆναι".toLowerCase()}, // polytonic letters stay (not in the table), lower-cased
			{text: "ΆΈΉ άέή ΟΔΟΣ", folded: "αεη αεη οδοσ"}, {text: "Ёлка", folded: "елка"},
			{text: "e\u0301te\u0301", folded: "ete"}, // decomposed accents
			{text: "مَدْرَسَة", folded: "مدرسة"}, {text: "أحمد", folded: "احمد"}, {text: "东京", folded: "东京"},
			{text: "“quoted” l’été — x", folded: "\"quoted\" l'ete - x"}, {text: "ＡＢＣ１", folded: "abc1"},
			{text: "co\u00adop", folded: "coop"}, {text: "plain ascii", folded: "plain ascii"},
		];
		for (c in cases)
			same(Search.fold(c.text), c.folded, 'fold "${c.text}"');
		same(Search.foldQuery("  Café \t  au\u00a0LAIT "), "cafe au lait", "queries collapse their spaces");
	}

	static function hitsOf(search:Search, query:String):String {
		return [for (h in search.find(query).hits) '${h.page}:${h.first}-${h.last}'].join(" ");
	}

	static function searchFindsWordsAndPhrases() {
		var search = new Search(indexOf(SAMPLE, 4));
		var cases = [
			{query: "cafe", hits: "1:1-1"}, {query: "CAFÉ", hits: "1:1-1"}, {query: "élan", hits: "1:2-2"},
			{query: "the café élan", hits: "1:0-2"}, {query: "elan vital", hits: "1:2-3"}, // across a line end
			{query: "fe el", hits: "1:1-2"}, // parts of two words
			{query: "οδος", hits: "1:5-5 1:6-6"}, {query: "straße", hits: "2:1-1"}, {query: "STRASSE end", hits: "2:1-2"},
			{query: "fine", hits: "2:0-0"}, {query: "东京", hits: "2:3-3"}, {query: "京", hits: "2:3-3"}, {query: "مدرسة", hits: "2:4-4"},
			{query: "\"quoted\"", hits: "2:5-5"}, {query: "e", hits: "1:0-0 1:1-1 1:2-2 2:0-0 2:1-1 2:2-2 2:5-5"},
			{query: "cafeelan", hits: ""}, {query: "", hits: ""}, {query: "   ", hits: ""}, {query: "absent", hits: ""},
		];
		for (c in cases)
			same(hitsOf(search, c.query), c.hits, 'hits of "${c.query}"');
		var capped = search.find("e", 4);
		same(capped.hits.length, 4, "a search stops at the most hits it lists");
		check(!capped.complete, "and says so");
		check(search.find("e").complete, "a search under the limit is complete");
	}

	static function hitBoxesAndSnippets() {
		var search = new Search(indexOf(SAMPLE, 4));
		var boxes = (query) -> [for (b in search.boxes(search.find(query).hits[0])) '${b.x},${b.y},${b.width},${b.height}'].join(" ");
		same(boxes("cafe"), "116,100,60,12", "one word");
		same(boxes("the café élan"), "72,100,158,12", "words side by side on a line make one box");
		same(boxes("elan vital"), "180,100,50,12 72,120,30,12", "a phrase over a line end keeps a box a line");
		var words = [for (i in 0...30) '[${i * 10},0,8,10,"w$i"]'].join(",");
		var long = new Search(indexOf('{"version":1,"pages":1,"text":[{"width":300,"height":10,"words":[$words]}]}', 1));
		var snippet = (query) -> long.snippet(long.find(query).hits[0]);
		same(snippet("w15"), "\u2026w9 w10 w11 w12 w13 w14 w15 w16 w17 w18 w19 w20 w21\u2026", "words either side, cut marked");
		same(snippet("w1 w2"), "w0 w1 w2 w3 w4 w5 w6 w7 w8\u2026", "at the page's start");
		same(snippet("w29"), "\u2026w23 w24 w25 w26 w27 w28 w29", "at the page's end");
		same(search.snippet(search.find("cafe").hits[0]), "The Café ÉLAN vital Ἀθῆναι ΟΔΟΣ οδός", "the snippet keeps the page's own spelling");
		same(search.label(search.find("fine").hits[0]), "1", "a hit's page label");
	}

	static function steppingThroughHits() {
		var cases = [
			{count: 3, current: 0, forward: true, next: 1}, {count: 3, current: 2, forward: true, next: 0},
			{count: 3, current: 0, forward: false, next: 2}, {count: 3, current: -1, forward: true, next: 0},
			{count: 3, current: -1, forward: false, next: 2}, {count: 0, current: 0, forward: true, next: -1},
			{count: 1, current: 0, forward: true, next: 0},
		];
		for (c in cases)
			same(Search.step(c.count, c.current, c.forward), c.next, 'step from ${c.current} of ${c.count} forward=${c.forward}');
		var hits:Array<Hit> = [{page: 2, first: 0, last: 0}, {page: 5, first: 0, last: 0}, {page: 5, first: 3, last: 3}];
		same([for (p in [0, 2, 3, 5, 6]) Search.firstFrom(hits, p)], [0, 0, 1, 1, 0], "first hit from a page, round the end");
		same(Search.firstFrom([], 3), -1, "no hits");
	}
}
