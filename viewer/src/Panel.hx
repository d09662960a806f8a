// The bottom panel: first, previous, next, last, the "N-M / total" label, the labelled page field,
// zoom and full screen, in the page list's panel, button and text colours.
import flash.display.DisplayObject;
import flash.display.Sprite;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.text.TextField;

typedef PanelActions = {
	var first:Void->Void;
	var previous:Void->Void;
	var next:Void->Void;
	var last:Void->Void;
	var zoom:Void->Void;
	var fullScreen:Void->Void;
	var goTo:String->Void;
}

class Panel extends Sprite {
	public static inline var HEIGHT = 44;

	var fill:Int;
	var pageLabel:TextField;
	var field:TextField;
	var items:Array<DisplayObject>;
	var panelWidth = 0.0;
	var labelWidth = 90.0;

	public function new(settings:PageList.BookSettings, actions:PanelActions) {
		super();
		fill = settings.panelColor;
		var ink = settings.textColor;
		var buttons = settings.buttonColor;
		pageLabel = Ui.label("0 / 0", ink, 15);
		field = Ui.pageField(ink, Ui.mix(buttons, 0xffffff, 0.15));
		field.addEventListener(KeyboardEvent.KEY_DOWN, function(event:KeyboardEvent) {
			if (event.keyCode == 13) {
				actions.goTo(field.text);
				field.text = "";
				// The keys belong to the book again: arrows turn pages without a click first.
				if (field.stage != null)
					field.stage.focus = field.stage;
			}
		});
		items = [
			Ui.button(First, buttons, ink, actions.first),
			Ui.button(Previous, buttons, ink, actions.previous),
			pageLabel,
			Ui.button(Next, buttons, ink, actions.next),
			Ui.button(Last, buttons, ink, actions.last),
			Ui.label(settings.gotoLabel, ink, 14),
			field,
			Ui.button(Zoom, buttons, ink, actions.zoom),
			Ui.button(FullScreen, buttons, ink, actions.fullScreen)
		];
		for (item in items)
			addChild(item);
		// Clicks on the bare panel belong to neither the page field nor the book.
		addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
	}

	// Where each control's centre lies on the stage, for the viewer's log: "next=601,778 ...".
	public function controlPositions():String {
		var names = ["first", "previous", "pages", "next", "last", "label", "field", "zoom", "fullscreen"];
		var parts = [];
		for (i in 0...items.length)
			if (names[i] != "label" && names[i] != "pages")
				parts.push(names[i] + "=" + Math.round(x + items[i].x + items[i].width / 2) + "," + Math.round(y + items[i].y + items[i].height / 2));
		return parts.join(" ");
	}

	public function showPages(text:String):Void {
		pageLabel.text = text;
		pageLabel.y = Math.round((HEIGHT - pageLabel.height) / 2);
		// A longer label ("112-113 / 300") gets the room it needs instead of running under a button.
		if (pageLabel.width > labelWidth && panelWidth > 0)
			layOut(panelWidth);
	}

	public function isPageField(object:Dynamic):Bool {
		return object == field;
	}

	public function layOut(width:Float):Void {
		graphics.clear();
		graphics.beginFill(fill);
		graphics.drawRect(0, 0, width, HEIGHT);
		graphics.endFill();
		// The label keeps the widest text it has shown so the buttons keep still while pages turn.
		panelWidth = width;
		labelWidth = Math.max(labelWidth, pageLabel.width + 4);
		var gaps = [6.0, 10, 10, 6, 24, 8, 24, 6];
		var total = 0.0;
		for (i in 0...items.length)
			total += widthOf(items[i], labelWidth) + (i < gaps.length ? gaps[i] : 0);
		var x = Math.max(8, (width - total) / 2);
		for (i in 0...items.length) {
			var item = items[i];
			var itemWidth = widthOf(item, labelWidth);
			item.x = Math.round(item == pageLabel ? x + (labelWidth - item.width) / 2 : x);
			item.y = Math.round((HEIGHT - item.height) / 2);
			x += itemWidth + (i < gaps.length ? gaps[i] : 0);
		}
	}

	function widthOf(item:DisplayObject, labelWidth:Float):Float {
		return item == pageLabel ? labelWidth : item.width;
	}
}
