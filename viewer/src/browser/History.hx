// The address of the book: "#page=N" kept up to date as the reader turns (without filling the browser's
// history), a new history entry for each place the reader jumps to (a link, the page field, the
// contents or the overview) so that Back and Forward move between them, and a reader who edits the
// address, goes Back or Forward, or follows a link to #page=N on the same page, followed.
import flash.events.TimerEvent;
import flash.external.ExternalInterface;
import flash.utils.Timer;

class History {
	var lastHash = "";
	var pageCount:Int;
	var follow:Int->Void;

	public function new(pageCount:Int, follow:Int->Void) {
		this.pageCount = pageCount;
		this.follow = follow;
		var poll = new Timer(400);
		poll.addEventListener(TimerEvent.TIMER, function(_) followAddress());
		poll.start();
	}

	// The page the address names when the book opens, if any.
	public function initialPage():Null<Int> {
		return Navigation.pageFromHash(readHash(), pageCount);
	}

	// The view changed by a turn: the address follows, in place.
	public function record(hash:String):Void {
		lastHash = hash;
		call("function(h){if(window.location.hash!==h){history.replaceState(null,'',h);}}", hash);
	}

	// A jump is about to take the reader to the view with this address: the place being left stays in
	// the history, behind the new entry.
	public function jump(hash:String):Void {
		lastHash = hash;
		call("function(h){if(window.location.hash!==h){history.pushState(null,'',h);}}", hash);
	}

	function followAddress():Void {
		var hash = readHash();
		if (hash == null || hash == lastHash || hash == "")
			return;
		lastHash = hash;
		var target = Navigation.pageFromHash(hash, pageCount);
		if (target != null)
			follow(target);
	}

	static function readHash():Null<String> {
		return call("function(){return window.location.hash;}");
	}

	static function call(code:String, ?argument:String):Dynamic {
		if (!ExternalInterface.available)
			return null;
		try {
			return argument == null ? ExternalInterface.call(code) : ExternalInterface.call(code, argument);
		} catch (e:Dynamic) {
			return null;
		}
	}
}
