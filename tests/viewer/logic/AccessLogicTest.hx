// Table-driven tests of what makes the viewer usable without the pointer and on any panel colour:
// a key for every panel action, and the contrast of the panel's text and symbols computed for a table
// of publisher colours.
import ViewerLogicTest.check;
import ViewerLogicTest.same;

class AccessLogicTest {
	public static function run() {
		everyPanelActionHasAKey();
		panelColoursKeepTheirContrast();
	}

	static function everyPanelActionHasAKey() {
		var keys:Array<{code:Int, shift:Bool, action:Keys.KeyAction}> = [
			{code: 36, shift: false, action: Start}, // first
			{code: 37, shift: false, action: Back}, // previous
			{code: 39, shift: false, action: Forward}, // next
			{code: 35, shift: false, action: End}, // last
			{code: 71, shift: false, action: GoToField}, // the page field
			{code: 79, shift: false, action: OpenOverview},
			{code: 67, shift: false, action: OpenContents},
			{code: 70, shift: false, action: OpenSearch},
			{code: 191, shift: false, action: OpenSearch}, // "/"
			{code: 191, shift: true, action: ShowKeys}, // "?"
			{code: 85, shift: false, action: ToggleFullScreen},
			{code: 32, shift: true, action: Back},
			{code: 65, shift: false, action: Ignore},
		];
		for (k in keys)
			same(Keys.action(k.code, k.shift), k.action, 'key ${k.code}${k.shift ? " with shift" : ""}');
		// Zoom in and out have their keys in Zoom.
		same(Zoom.keySteps(0, "+".code), 1, "+ zooms in");
		same(Zoom.keySteps(0, "-".code), -1, "- zooms out");
	}

	static function panelColoursKeepTheirContrast() {
		same(Math.round(Contrast.ratio(0xffffff, 0x000000) * 100) / 100, 21, "white on black");
		same(Math.round(Contrast.ratio(0x777777, 0xffffff) * 100) / 100, 4.48, "#777 on white, just short of 4.5");
		var defaults = Contrast.ratio(PageList.DEFAULT_TEXT, PageList.DEFAULT_PANEL);
		check(defaults >= Contrast.TEXT, 'the default panel text contrast $defaults');
		var colours:Array<{panel:Int, text:Int, kept:Bool}> = [
			{panel: PageList.DEFAULT_PANEL, text: PageList.DEFAULT_TEXT, kept: true},
			{panel: 0xffffff, text: 0x000000, kept: true},
			{panel: 0xcccccc, text: 0xffffff, kept: false}, // light grey under white text
			{panel: 0xffd400, text: 0xffffff, kept: false}, // yellow
			{panel: 0x1a3d7c, text: 0xffffff, kept: true}, // navy
			{panel: 0xe30613, text: 0xffffff, kept: true}, // signal red, 4.6:1
			{panel: 0x777777, text: 0x777777, kept: false}, // text in the panel's own colour
			{panel: 0x808080, text: 0xffffff, kept: false}, // mid grey: black it is
			{panel: 0x000000, text: 0x333333, kept: false},
		];
		for (c in colours) {
			var text = Contrast.readable(c.text, c.panel, Contrast.TEXT);
			var symbols = Contrast.readable(c.text, c.panel, Contrast.ICON);
			var what = 'text ${StringTools.hex(c.text, 6)} on panel ${StringTools.hex(c.panel, 6)}';
			check(Contrast.ratio(text, c.panel) >= Contrast.TEXT, '$what: text contrast ${Contrast.ratio(text, c.panel)}');
			check(Contrast.ratio(symbols, c.panel) >= Contrast.ICON, '$what: symbol contrast');
			same(text == c.text, c.kept, '$what: colour kept');
		}
	}
}
