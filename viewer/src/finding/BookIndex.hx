// The book index (data/book.json): the outline as a tree, the page labels and each page's words with
// their boxes. Reading never fails hard: a file that is not the index gives NoIndex with a reason, and a
// damaged entry inside a readable file is left out or falls back instead of spoiling the rest.

typedef OutlineEntry = {
	var title:String;
	var page:Int; // 1-based position in the book; 0: outside the book or unresolved
	var children:Array<OutlineEntry>;
}

// Words stay as the file holds them ([x, y, w, h, "text"]); a book of a thousand pages holds hundreds of
// thousands, and copying each into a record would cost the reader seconds before the first search.
typedef PageText = {
	var width:Float; // the page file's stage size, which the word boxes are measured in
	var height:Float;
	var words:Array<Dynamic>;
}

typedef IndexData = {
	var pages:Int;
	var labels:Array<String>; // one per page; the position number where the file has none
	var outline:Array<OutlineEntry>;
	var text:Array<PageText>; // one per page; no words where the file has none
}

enum IndexResult {
	Loaded(index:IndexData);
	NoIndex(reason:String);
}

class BookIndex {
	public static inline var VERSION = 1;

	static inline var DEEPEST = 32; // outline levels kept; deeper ones are flattened away

	// `pages` is the book's page count from the page list; the index must describe the same pages.
	public static function parse(text:Null<String>, pages:Int):IndexResult {
		if (text == null || StringTools.trim(text) == "")
			return NoIndex("it is empty");
		if (StringTools.startsWith(text, "\u{FEFF}"))
			text = text.substr(1);
		var root:Dynamic = decode(text);
		if (root == null || !Reflect.isObject(root) || Std.isOfType(root, Array) || Std.isOfType(root, String))
			return NoIndex("it is not a JSON object");
		var version = Reflect.field(root, "version");
		if (version != VERSION)
			return NoIndex('its version ${version} is not ${VERSION}');
		var count = Reflect.field(root, "pages");
		if (!Std.isOfType(count, Int) || count != pages)
			return NoIndex('it describes ${count} pages, the book has $pages');
		return Loaded({
			pages: pages,
			labels: labels(Reflect.field(root, "labels"), pages),
			outline: outline(Reflect.field(root, "outline"), pages, 0),
			text: texts(Reflect.field(root, "text"), pages)
		});
	}

	public static function hasWords(index:IndexData):Bool {
		for (page in index.text)
			if (page.words.length > 0)
				return true;
		return false;
	}

	// Runs the player's own JSON reader where it has one (a file of several megabytes is read in a
	// fraction of the time), Haxe's otherwise. The player's is looked up rather than named, since a
	// movie of this version may not see it by name even where the player has it.
	static function decode(text:String):Dynamic {
		#if flash
		var domain = flash.system.ApplicationDomain.currentDomain;
		if (domain.hasDefinition("JSON")) {
			try {
				return (domain.getDefinition("JSON") : Dynamic).parse(text);
			} catch (e:flash.errors.Error) {
				return null;
			}
		}
		#end
		try {
			return haxe.format.JsonParser.parse(text);
		} catch (e:Dynamic) {
			return null;
		}
	}

	static function labels(value:Dynamic, pages:Int):Array<String> {
		var list:Array<Dynamic> = Std.isOfType(value, Array) ? value : [];
		return [
			for (i in 0...pages)
				(i < list.length && Std.isOfType(list[i], String) && StringTools.trim(list[i]) != "") ? list[i] : Std.string(i + 1)
		];
	}

	static function outline(value:Dynamic, pages:Int, depth:Int):Array<OutlineEntry> {
		var result:Array<OutlineEntry> = [];
		if (!Std.isOfType(value, Array) || depth >= DEEPEST)
			return result;
		var list:Array<Dynamic> = value;
		for (item in list) {
			if (item == null || !Reflect.isObject(item) || !Std.isOfType(Reflect.field(item, "title"), String))
				continue;
			var page:Dynamic = Reflect.field(item, "page");
			result.push({
				title: Reflect.field(item, "title"),
				page: (Std.isOfType(page, Int) && page >= 1 && page <= pages) ? page : 0,
				children: outline(Reflect.field(item, "children"), pages, depth + 1)
			});
		}
		return result;
	}

	static function texts(value:Dynamic, pages:Int):Array<PageText> {
		var list:Array<Dynamic> = Std.isOfType(value, Array) ? value : [];
		var result:Array<PageText> = [];
		for (i in 0...pages) {
			var item:Dynamic = i < list.length ? list[i] : null;
			var ok = item != null && Reflect.isObject(item);
			var width:Dynamic = ok ? Reflect.field(item, "width") : null;
			var height:Dynamic = ok ? Reflect.field(item, "height") : null;
			var words:Dynamic = ok ? Reflect.field(item, "words") : null;
			result.push({
				width: positive(width),
				height: positive(height),
				words: Std.isOfType(words, Array) ? words : []
			});
		}
		return result;
	}

	static function positive(value:Dynamic):Float {
		return (Std.isOfType(value, Float) && value > 0 && Math.isFinite(value)) ? value : 0;
	}
}
