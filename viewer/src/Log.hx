// The viewer's log: lines on the browser console ("quavelin: page 3 shown") that tell a reader's
// developer, and the browser tests, what the book did.
import flash.external.ExternalInterface;

class Log {
	public static function line(text:String):Void {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call("console.log", "quavelin: " + text);
		} catch (e:Dynamic) {}
	}
}
