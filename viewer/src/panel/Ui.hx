// Small drawing helpers for the viewer's controls: text labels, the page field and icon buttons, each
// button a touch target of TARGET x TARGET pixels around its smaller drawn face.
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
	ZoomIn;
	ZoomOut;
	Overview;
	Contents;
	Search;
	FullScreen;
	Share;
	Print;
	Download;
	More;
}

class Ui {
	public static inline var TARGET = 44;
	static inline var FACE_WIDTH = 34;
	static inline var FACE_HEIGHT = 28;

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

	// Digits only, unless the book's pages carry labels ("xii", "A-3") that the reader may type.
	public static function pageField(textColour:Int, fill:Int, labelled:Bool):TextField {
		var field = new TextField();
		field.defaultTextFormat = new TextFormat("_sans", 14, textColour, null, null, null, null, null, TextFormatAlign.CENTER);
		field.type = TextFieldType.INPUT;
		field.restrict = labelled ? null : "0-9";
		field.maxChars = labelled ? 16 : 6;
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
		button.graphics.beginFill(fill, 0);
		button.graphics.drawRect(0, 0, TARGET, TARGET);
		button.graphics.endFill();
		button.addChild(face(icon, fill, ink, (TARGET - FACE_WIDTH) / 2, (TARGET - FACE_HEIGHT) / 2));
		clickable(button, action);
		return button;
	}

	// A row of the compact menu: the button's face and a caption, the whole row one target.
	public static function menuRow(icon:Icon, caption:String, width:Float, fill:Int, ink:Int, action:Void->Void):Sprite {
		var row = new Sprite();
		row.graphics.beginFill(fill);
		row.graphics.drawRect(0, 0, width, TARGET);
		row.graphics.endFill();
		row.addChild(face(icon, fill, ink, (TARGET - FACE_WIDTH) / 2, (TARGET - FACE_HEIGHT) / 2));
		var text = label(caption, ink, 14);
		text.x = TARGET + 4;
		text.y = (TARGET - text.height) / 2;
		row.addChild(text);
		clickable(row, action);
		return row;
	}

	static function face(icon:Icon, fill:Int, ink:Int, x:Float, y:Float):flash.display.Shape {
		var face = new flash.display.Shape();
		var g = face.graphics;
		g.lineStyle(1, mix(fill, ink, 0.35));
		g.beginFill(fill);
		g.drawRoundRect(0, 0, FACE_WIDTH, FACE_HEIGHT, 8, 8);
		g.endFill();
		g.lineStyle();
		drawIcon(g, icon, ink);
		face.x = x;
		face.y = y;
		return face;
	}

	static function clickable(button:Sprite, action:Void->Void):Void {
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
			case ZoomIn | ZoomOut:
				g.endFill();
				g.lineStyle(2.2, ink);
				g.drawCircle(15, 12.5, 5.5);
				g.moveTo(19, 16.5);
				g.lineTo(24, 21.5);
				g.moveTo(12.5, 12.5);
				g.lineTo(17.5, 12.5);
				if (icon == ZoomIn) {
					g.moveTo(15, 10);
					g.lineTo(15, 15);
				}
				g.lineStyle();
			case Overview:
				for (row in 0...2)
					for (column in 0...3)
						g.drawRect(9 + column * 6, 8 + row * 7, 4.5, 5.5);
			case Contents:
				for (line in 0...4) {
					g.drawRect(9, 8 + line * 3.6, 2.2, 2.2);
					g.drawRect(13, 8 + line * 3.6, line % 2 == 0 ? 12 : 9, 2.2);
				}
			case Search:
				g.endFill();
				g.lineStyle(2.2, ink);
				g.drawCircle(15, 12.5, 5);
				g.moveTo(18.7, 16.2);
				g.lineTo(24, 21.5);
				g.lineStyle();
			case Share: // two links of a chain
				g.endFill();
				g.lineStyle(2.2, ink);
				g.drawRoundRect(8, 11, 11, 7, 7, 7);
				g.drawRoundRect(15, 10, 11, 7, 7, 7);
				g.lineStyle();
			case Print: // the printer's body, the sheet going in above and coming out below
				g.drawRect(12, 6, 10, 4.5);
				g.drawRect(8, 11.5, 18, 7.5);
				g.drawRect(12, 20, 10, 3);
			case Download:
				g.drawRect(15, 6, 4, 8);
				triangle(g, 11, 13, 23, 13, 17, 19);
				g.drawRect(9, 20.5, 16, 2.2);
			case More:
				for (dot in 0...3)
					g.drawCircle(11 + dot * 6, 14, 1.8);
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
