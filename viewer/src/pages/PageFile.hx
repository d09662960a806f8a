// What the viewer reads from a page file's bytes before showing it: whether the file is whole, its stage
// size (the page's own shape) and the links to other pages that the converter records in a Metadata tag as
// <links><link page="7" x="100.00" y="642.00" width="395.00" height="100.00"/></links>.
import haxe.io.Bytes;

typedef PageLink = {
	var page:Int; // 0-based target page
	var x:Float;
	var y:Float;
	var width:Float;
	var height:Float;
}

typedef PageFileInfo = {
	var stageWidth:Float;
	var stageHeight:Float;
	var links:Array<PageLink>;
	// The page takes its fonts from the book's font library (an ImportAssets2 tag): the player resolves
	// such imports only for a movie it loads from its address, not from bytes.
	var imports:Bool;
}

private typedef TagFacts = {
	var metadata:Null<String>;
	var imports:Bool;
}

typedef PageFileCheck = {
	var info:Null<PageFileInfo>;
	var problem:Null<String>; // why the file cannot be a whole page ("is cut short"); null: it may be
}

class PageFile {
	static inline var METADATA_TAG = 77;
	static inline var IMPORT_ASSETS2_TAG = 71;
	static inline var END_TAG = 0;

	// The file as stored (FWS, or CWS with a zlib body); null when the bytes are no SWF we can read,
	// which leaves the decision to the player.
	public static function read(file:Bytes):Null<PageFileInfo> {
		return check(file).info;
	}

	// A file shorter than the length its header declares was cut short on its way (a failed upload or
	// copy); the player would show it as a blank page, so it is reported like a missing one.
	public static function check(file:Bytes):PageFileCheck {
		if (file == null || file.length < 8)
			return {info: null, problem: "is empty or cut short"};
		var signature = file.getString(0, 3);
		var declared = file.getInt32(4);
		if (signature == "FWS")
			return {info: readBody(file.sub(8, file.length - 8)), problem: file.length < declared ? "is cut short" : null};
		if (signature == "CWS") {
			var body = inflate(file.sub(8, file.length - 8));
			if (body == null || body.length + 8 < declared)
				return {info: null, problem: "is cut short or damaged"};
			return {info: readBody(body), problem: null};
		}
		return {info: null, problem: null};
	}

	// The body after the 8-byte header: stage rectangle, frame rate and count, then the tags.
	public static function readBody(body:Bytes):Null<PageFileInfo> {
		if (body.length < 1)
			return null;
		var bits = body.get(0) >> 3;
		var rectBytes = Std.int((5 + 4 * bits + 7) / 8);
		if (body.length < rectBytes + 4)
			return null;
		var fields = [for (i in 0...4) signedBits(body, 5 + i * bits, bits)];
		var info:PageFileInfo = {
			stageWidth: (fields[1] - fields[0]) / 20,
			stageHeight: (fields[3] - fields[2]) / 20,
			links: [],
			imports: false
		};
		var facts = scanTags(body, rectBytes + 4);
		if (facts.metadata != null)
			info.links = parseLinks(facts.metadata);
		info.imports = facts.imports;
		return info;
	}

	// The links' metadata and whether the page imports; tags are hopped over, not read.
	static function scanTags(body:Bytes, start:Int):TagFacts {
		var facts:TagFacts = {metadata: null, imports: false};
		var pos = start;
		while (pos + 2 <= body.length) {
			var header = body.getUInt16(pos);
			var code = header >> 6;
			var length = header & 0x3f;
			pos += 2;
			if (length == 0x3f) {
				if (pos + 4 > body.length)
					return facts;
				length = body.getInt32(pos);
				pos += 4;
			}
			if (length < 0 || pos + length > body.length || code == END_TAG)
				return facts;
			if (code == METADATA_TAG && facts.metadata == null)
				facts.metadata = zeroTerminated(body, pos, length);
			if (code == IMPORT_ASSETS2_TAG)
				facts.imports = true;
			pos += length;
		}
		return facts;
	}

	// Links that cannot be read are dropped one by one: a bad entry must not cost the page its others.
	public static function parseLinks(text:String):Array<PageLink> {
		var links = [];
		var root:Xml;
		try {
			root = Xml.parse(text).firstElement();
		} catch (e:Dynamic) {
			return links;
		}
		if (root == null || root.nodeName != "links")
			return links;
		for (element in root.elementsNamed("link")) {
			var page = Std.parseInt(element.get("page"));
			var values = [for (name in ["x", "y", "width", "height"]) Std.parseFloat(element.get(name))];
			if (page == null || page < 1 || Lambda.exists(values, Math.isNaN) || values[2] <= 0 || values[3] <= 0)
				continue;
			links.push({page: page - 1, x: values[0], y: values[1], width: values[2], height: values[3]});
		}
		return links;
	}

	static function zeroTerminated(bytes:Bytes, pos:Int, length:Int):String {
		var end = pos;
		while (end < pos + length && bytes.get(end) != 0)
			end++;
		return bytes.getString(pos, end - pos);
	}

	static function signedBits(bytes:Bytes, firstBit:Int, count:Int):Int {
		var value = 0;
		for (i in 0...count) {
			var bit = firstBit + i;
			value = (value << 1) | ((bytes.get(bit >> 3) >> (7 - (bit & 7))) & 1);
		}
		if (count > 0 && (value >> (count - 1)) & 1 == 1)
			value -= 1 << count;
		return value;
	}

	static function inflate(compressed:Bytes):Null<Bytes> {
		try {
			#if flash
			var data:flash.utils.ByteArray = compressed.getData();
			var copy = new flash.utils.ByteArray();
			copy.writeBytes(data, 0, compressed.length);
			copy.uncompress();
			return Bytes.ofData(copy);
			#else
			return haxe.zip.InflateImpl.run(new haxe.io.BytesInput(compressed));
			#end
		} catch (e:Dynamic) {
			return null;
		}
	}
}
