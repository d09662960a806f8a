// The viewer's keys: which key does what. Every action of the panel has one; "?" lists them.
enum KeyAction {
	Back;
	Forward;
	Start;
	End;
	Unzoom;
	OpenContents;
	OpenSearch;
	OpenOverview;
	ToggleFullScreen;
	GoToField;
	ShowKeys;
	Ignore;
}

class Keys {
	// The arrow that points the way the book reads goes forward: left in a book read right to left.
	public static function action(keyCode:Int, shift:Bool, rightToLeft = false):KeyAction {
		return switch (keyCode) {
			case 37 | 39: Reading.arrowForward(keyCode, rightToLeft) ? Forward : Back; // left, right
			case 38 | 33: Back; // up, page up
			case 40 | 34: Forward; // down, page down
			case 32: shift ? Back : Forward; // space
			case 36: Start; // home
			case 35: End;
			case 27: Unzoom; // escape
			case 67: OpenContents; // c
			case 191: shift ? ShowKeys : OpenSearch; // ?, /
			case 70: OpenSearch; // f
			case 79: OpenOverview; // o
			case 85: ToggleFullScreen; // u
			case 71: GoToField; // g
			default: Ignore;
		}
	}
}
