// Small drawing helpers for the viewer's controls: text labels, the page field and icon buttons.
import flash.display.Graphics;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFieldAutoSize;
import flash.text.TextFieldType;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;

enum Icon {
	First;
	Previous;
	Next;
	Last;
	Zoom;
	FullScreen;
}

class Ui {
	public static function label(text:String, colour:Int, size:Int, centred = false):TextField {
		var field = new TextField();
		var format = new TextFormat("_sans", size, colour);
		if (centred)
			format.align = TextFormatAlign.CENTER;
		field.defaultTextFormat = format;
		field.selectable = false;
		field.mouseEnabled = false;
		field.multiline = centred;
		field.wordWrap = centred;
		field.autoSize = centred ? TextFieldAutoSize.CENTER : TextFieldAutoSize.LEFT;
		field.text = text;
		return field;
	}

	public static function pageField(textColour:Int, fill:Int):TextField {
		var field = new TextField();
		field.defaultTextFormat = new TextFormat("_sans", 14, textColour, null, null, null, null, null, TextFormatAlign.CENTER);
		field.type = TextFieldType.INPUT;
		field.restrict = "0-9";
		field.maxChars = 6;
		field.background = true;
		field.backgroundColor = fill;
		field.border = true;
		field.borderColor = textColour;
		field.width = 52;
		field.height = 22;
		return field;
	}

	public static function button(icon:Icon, fill:Int, ink:Int, action:Void->Void):Sprite {
		var button = new Sprite();
		var g = button.graphics;
		g.lineStyle(1, mix(fill, ink, 0.35));
		g.beginFill(fill);
		g.drawRoundRect(0, 0, 34, 28, 8, 8);
		g.endFill();
		g.lineStyle();
		drawIcon(g, icon, ink);
		button.buttonMode = true;
		button.useHandCursor = true;
		button.tabEnabled = false;
		button.mouseChildren = false;
		button.addEventListener(MouseEvent.CLICK, function(event:MouseEvent) {
			event.stopPropagation();
			action();
		});
		button.addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
		button.addEventListener(MouseEvent.ROLL_OVER, function(_) button.alpha = 0.8);
		button.addEventListener(MouseEvent.ROLL_OUT, function(_) button.alpha = 1);
		return button;
	}

	// Icons in a 34 x 28 box.
	static function drawIcon(g:Graphics, icon:Icon, ink:Int):Void {
		g.beginFill(ink);
		switch (icon) {
			case First:
				g.drawRect(10, 8, 2.5, 12);
				triangle(g, 23, 8, 23, 20, 13, 14);
			case Previous:
				triangle(g, 21, 8, 21, 20, 12, 14);
			case Next:
				triangle(g, 13, 8, 13, 20, 22, 14);
			case Last:
				triangle(g, 11, 8, 11, 20, 21, 14);
				g.drawRect(21.5, 8, 2.5, 12);
			case Zoom:
				g.endFill();
				g.lineStyle(2.2, ink);
				g.drawCircle(15, 12.5, 5.5);
				g.moveTo(19, 16.5);
				g.lineTo(24, 21.5);
				g.moveTo(12.5, 12.5);
				g.lineTo(17.5, 12.5);
				g.moveTo(15, 10);
				g.lineTo(15, 15);
				g.lineStyle();
			case FullScreen:
				g.endFill();
				g.lineStyle(2.2, ink);
				for (corner in [[10, 11, 10, 7, 14, 7], [20, 7, 24, 7, 24, 11], [24, 17, 24, 21, 20, 21], [14, 21, 10, 21, 10, 17]]) {
					g.moveTo(corner[0], corner[1]);
					g.lineTo(corner[2], corner[3]);
					g.lineTo(corner[4], corner[5]);
				}
				g.lineStyle();
		}
		g.endFill();
	}

	static function triangle(g:Graphics, x1:Float, y1:Float, x2:Float, y2:Float, x3:Float, y3:Float):Void {
		g.moveTo(x1, y1);
		g.lineTo(x2, y2);
		g.lineTo(x3, y3);
		g.lineTo(x1, y1);
	}

	public static function mix(a:Int, b:Int, share:Float):Int {
		var result = 0;
		for (shift in [16, 8, 0]) {
			var ca = (a >> shift) & 0xff;
			var cb = (b >> shift) & 0xff;
			result |= Std.int(ca + (cb - ca) * share) << shift;
		}
		return result;
	}
}
