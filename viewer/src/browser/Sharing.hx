// What a reader takes away from the book: the copy of the PDF it carries (downloaded), a print (of that
// PDF, opened for the browser's own printing, or else of the window as it shows the pages in view) and
// the link to the pages in view, copied for them. index.html does the browser's part (bookDownload,
// bookPrint, bookShare); a player without it falls back on opening addresses.
import flash.external.ExternalInterface;
import flash.net.URLRequest;

class Sharing {
	// The PDF as a download: a link with the download attribute, clicked by the page.
	public static function download(pdf:String):Void {
		if (!callPage("bookDownload", pdf))
			open(pdf);
	}

	// With a PDF: the PDF in a tab of its own, where the browser prints it; without: the window printed.
	public static function print(pdf:Null<String>):Void {
		if (pdf != null) {
			if (!callPage("bookPrint", pdf))
				open(pdf);
		} else {
			callPage("bookPrint", "");
		}
	}

	// The address of the book at `hash`, handed to the page to put on the clipboard; false when there is
	// no page to do it. `failed` is called with the address if the copy is refused later.
	public static function share(hash:String, failed:String->Void):Bool {
		if (!ExternalInterface.available)
			return false;
		try {
			ExternalInterface.addCallback("shareFailed", failed);
		} catch (e:Dynamic) {}
		return callPage("bookShare", hash);
	}

	// Calls window[name](argument) when the page has it; true when it did.
	static function callPage(name:String, argument:String):Bool {
		if (!ExternalInterface.available)
			return false;
		try {
			return ExternalInterface.call('function(a){if(typeof window.$name!=="function")return false;window.$name(a);return true;}', argument) == true;
		} catch (e:Dynamic) {
			return false;
		}
	}

	static function open(address:String):Void {
		try {
			flash.Lib.getURL(new URLRequest(address), "_blank");
		} catch (e:Dynamic) {}
	}
}
