// The book's page list (data/pages.xml): its size, colours, cover style, reading direction, field
// label, page files and their labels, whether the book carries contents and search, and the copy of
// the PDF it offers to download.

typedef BookSettings = {
	var width:Float;
	var height:Float;
	var buttonColor:Int;
	var panelColor:Int;
	var textColor:Int;
	var backgroundColor:Int;
	var hardCover:Bool;
	var gotoLabel:String;
	var pages:Array<String>;
	var labels:Array<Null<String>>; // one per page; null where the list gives none
	var contents:Bool;
	var search:Bool;
	var index:Null<String>; // the book index file, fetched only when contents or search open
	var rightToLeft:Bool; // the cover on the left, pages turned from left to right
	var download:Null<String>; // the book's copy of the PDF, if it carries one
}

enum PageListResult {
	Parsed(settings:BookSettings);
	Malformed(reason:String);
}

class PageList {
	public static inline var DEFAULT_BUTTON = 0x5d5d61;
	public static inline var DEFAULT_PANEL = 0x5d5d61;
	public static inline var DEFAULT_TEXT = 0xffffff;
	public static inline var DEFAULT_BACKGROUND = 0xcccccc;

	public static function parse(text:String):PageListResult {
		var root:Xml;
		if (StringTools.startsWith(text, "\u{FEFF}"))
			text = text.substr(1);
		try {
			root = Xml.parse(text).firstElement();
		} catch (e:Dynamic) {
			return Malformed("it is not well-formed XML");
		}
		if (root == null || root.nodeName != "content")
			return Malformed("its root element is not <content>");
		var width = positiveNumber(root.get("width"));
		var height = positiveNumber(root.get("height"));
		if (width == null || height == null)
			return Malformed("the page width or height is missing or not a positive number");
		var pages = [];
		var labels = [];
		for (page in root.elementsNamed("page")) {
			var src = page.get("src");
			if (src == null || StringTools.trim(src) == "")
				continue;
			pages.push(src);
			var label = page.get("label");
			labels.push(label == null || StringTools.trim(label) == "" ? null : StringTools.trim(label));
		}
		if (pages.length == 0)
			return Malformed("it names no page");
		return Parsed({
			width: width,
			height: height,
			buttonColor: colour(root.get("buttoncolor"), DEFAULT_BUTTON),
			panelColor: colour(root.get("panelcolor"), DEFAULT_PANEL),
			textColor: colour(root.get("textcolor"), DEFAULT_TEXT),
			backgroundColor: colour(root.get("backgroundcolor"), DEFAULT_BACKGROUND),
			hardCover: flag(root.get("hcover")),
			gotoLabel: root.get("gotolabel") == null ? "Go to" : root.get("gotolabel"),
			pages: pages,
			labels: labels,
			contents: flag(root.get("contents")),
			search: flag(root.get("search")),
			index: path(root.get("index")),
			rightToLeft: root.get("direction") != null && StringTools.trim(root.get("direction")).toLowerCase() == "rtl",
			download: path(root.get("download"))
		});
	}

	// Six hex digits, with or without a leading "#" or "0x"; anything else keeps the default, since a
	// wrong colour should not stop the book from opening.
	public static function colour(value:Null<String>, fallback:Int):Int {
		if (value == null)
			return fallback;
		var digits = StringTools.trim(value);
		if (StringTools.startsWith(digits, "#"))
			digits = digits.substr(1);
		else if (StringTools.startsWith(digits.toLowerCase(), "0x"))
			digits = digits.substr(2);
		if (!~/^[0-9a-fA-F]{6}$/.match(digits))
			return fallback;
		return Std.parseInt("0x" + digits);
	}

	static function positiveNumber(value:Null<String>):Null<Float> {
		if (value == null || !~/^\s*[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?\s*$/.match(value))
			return null;
		var number = Std.parseFloat(value);
		return (Math.isNaN(number) || number <= 0 || !Math.isFinite(number)) ? null : number;
	}

	static function path(value:Null<String>):Null<String> {
		return value == null || StringTools.trim(value) == "" ? null : StringTools.trim(value);
	}

	static function flag(value:Null<String>):Bool {
		return value != null && StringTools.trim(value).toLowerCase() == "true";
	}
}
