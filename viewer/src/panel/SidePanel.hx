// What the contents and search panels share: their colours, the panel frame at the left of the window
// (a title and a close button over the book), small text buttons, one-line text that is cut to a width,
// and keys that stay with the panel instead of turning pages.
import flash.display.Sprite;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFormat;

typedef PanelColours = {
	var fill:Int; // the panel
	var ink:Int; // its text
	var button:Int;
}

class SidePanel {
	public static inline var HEAD = 40.0; // height of the title row
	public static inline var PAD = 10.0;
	public static inline var WIDEST = 360.0;

	public static function colours(settings:PageList.BookSettings):PanelColours {
		return {fill: settings.panelColor, ink: settings.textColor, button: settings.buttonColor};
	}

	public static function width(stageWidth:Float):Float {
		return Math.max(160, Math.min(WIDEST, stageWidth - 40));
	}

	// The panel's backdrop, a rule under its title row and one along its right edge.
	public static function frame(panel:Sprite, colours:PanelColours, width:Float, height:Float):Void {
		var g = panel.graphics;
		g.clear();
		g.beginFill(colours.fill);
		g.drawRect(0, 0, width, height);
		g.endFill();
		g.beginFill(colours.ink, 0.25);
		g.drawRect(width - 1, 0, 1, height);
		g.drawRect(0, HEAD, width, 1);
		g.endFill();
	}

	public static function title(text:String, colours:PanelColours):TextField {
		var field = Ui.label(text, colours.ink, 16);
		field.x = PAD;
		field.y = Math.round((HEAD - field.height) / 2);
		return field;
	}

	// A small square button with a drawn face: "close", "up" or "down" (device fonts may lack arrows).
	public static function button(face:String, colours:PanelColours, action:Void->Void, size = 28.0):Sprite {
		var button = new Sprite();
		var g = button.graphics;
		g.lineStyle(1, Ui.mix(colours.button, colours.ink, 0.35));
		g.beginFill(colours.button);
		g.drawRoundRect(0, 0, size, size, 8, 8);
		g.endFill();
		var m = size / 2;
		if (face == "close") {
			g.lineStyle(2, colours.ink);
			g.moveTo(m - 5, m - 5);
			g.lineTo(m + 5, m + 5);
			g.moveTo(m + 5, m - 5);
			g.lineTo(m - 5, m + 5);
		} else {
			var tip = face == "up" ? -4 : 4;
			g.lineStyle();
			g.beginFill(colours.ink);
			g.moveTo(m - 6, m - tip);
			g.lineTo(m + 6, m - tip);
			g.lineTo(m, m + tip);
			g.endFill();
		}
		button.buttonMode = true;
		button.useHandCursor = true;
		button.tabEnabled = false;
		button.mouseChildren = false;
		button.addEventListener(MouseEvent.CLICK, function(event:MouseEvent) {
			event.stopPropagation();
			action();
		});
		button.addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
		return button;
	}

	// One line of text no wider than `width`, cut with "…" where it would run over.
	public static function line(text:String, colour:Int, size:Int, width:Float, bold = false):TextField {
		var field = new TextField();
		field.defaultTextFormat = new TextFormat("_sans", size, colour, bold);
		field.selectable = false;
		field.mouseEnabled = false;
		field.multiline = false;
		field.wordWrap = false;
		field.text = text;
		field.width = Math.max(10, width);
		field.height = size + 8;
		if (field.textWidth > width - 6) {
			// Halving the cut keeps long titles cheap to fit.
			var low = 0;
			var high = text.length;
			while (low < high) {
				var middle = (low + high + 1) >> 1;
				field.text = text.substr(0, middle) + "\u2026";
				if (field.textWidth <= width - 6)
					low = middle;
				else
					high = middle - 1;
			}
			field.text = StringTools.rtrim(text.substr(0, low)) + "\u2026";
		}
		return field;
	}

	// Keys pressed inside a panel are the panel's: they must not also turn the book's pages.
	public static function keepKeys(panel:Sprite, handle:KeyboardEvent->Void):Void {
		panel.addEventListener(KeyboardEvent.KEY_DOWN, function(event:KeyboardEvent) {
			event.stopPropagation();
			handle(event);
		});
		panel.addEventListener(KeyboardEvent.KEY_UP, function(event:KeyboardEvent) event.stopPropagation());
		panel.addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
	}
}
