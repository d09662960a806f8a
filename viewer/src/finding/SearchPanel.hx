// The search panel: a field, the previous and next hit buttons, a line that says how many hits there
// are, and the hits listed with their page label and a snippet. Keys in the field: Enter (or down) goes
// to the next hit, Shift+Enter (or up) to the previous one, Escape closes the panel. What a search finds
// and where it leads is the owner's business; this panel only shows and asks.
import SidePanel.PanelColours;
import flash.display.DisplayObject;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.text.TextField;
import flash.text.TextFieldType;
import flash.text.TextFormat;

typedef SearchActions = {
	var typed:String->Void; // the field's text changed
	var pick:Int->Void; // a listed hit was clicked
	var step:Bool->Void; // next (true) or previous hit
	var close:Void->Void;
}

typedef HitRow = {
	var label:String;
	var snippet:String;
}

class SearchPanel extends Sprite {
	public static inline var ROW = 42.0;
	static inline var FIELD_HEIGHT = 26.0;

	var colours:PanelColours;
	var actions:SearchActions;
	var field:TextField;
	var previous:Sprite;
	var next:Sprite;
	var close:Sprite;
	var status:TextField;
	var list:RowList;
	var describe:Int->HitRow = function(_) return {label: "", snippet: ""};
	var panelWidth = 300.0;
	var panelHeight = 300.0;

	public function new(colours:PanelColours, actions:SearchActions) {
		super();
		this.colours = colours;
		this.actions = actions;
		addChild(SidePanel.title("Search", colours));
		close = SidePanel.button("close", colours, actions.close);
		previous = SidePanel.button("up", colours, function() actions.step(false), FIELD_HEIGHT);
		next = SidePanel.button("down", colours, function() actions.step(true), FIELD_HEIGHT);
		field = inputField();
		field.addEventListener(Event.CHANGE, function(_) actions.typed(field.text));
		status = Ui.label("", colours.ink, 13);
		list = new RowList(ROW, colours.ink, paintRow, function(index, _) {
			actions.pick(index);
			// Enter goes on to the next hit after a click in the list.
			takeKeys();
		});
		for (item in [close, previous, next, field, status, list])
			addChild(item);
		focusRect = false;
		SidePanel.keepKeys(this, keyPressed);
	}

	public function layOut(width:Float, height:Float):Void {
		panelWidth = width;
		panelHeight = height;
		SidePanel.frame(this, colours, width, height);
		close.x = width - close.width - 8;
		close.y = Math.round((SidePanel.HEAD - close.height) / 2);
		var top = SidePanel.HEAD + 10;
		next.x = width - SidePanel.PAD - FIELD_HEIGHT;
		previous.x = next.x - 4 - FIELD_HEIGHT;
		field.x = SidePanel.PAD;
		field.width = previous.x - 6 - field.x;
		field.y = next.y = previous.y = top;
		status.x = SidePanel.PAD;
		status.y = top + FIELD_HEIGHT + 6;
		list.y = status.y + 24;
		list.setSize(width, height - list.y - 4);
	}

	public function takeKeys():Void {
		if (stage == null)
			return;
		stage.focus = field;
		field.setSelection(field.text.length, field.text.length);
	}

	public function query():String {
		return field.text;
	}

	public function showStatus(text:String):Void {
		status.text = text;
	}

	// Lists `count` hits; `describeHit` gives a listed hit's label and snippet when its row is drawn.
	public function showHits(count:Int, describeHit:Int->HitRow):Void {
		describe = describeHit;
		list.setCount(count, -1);
	}

	public function select(index:Int):Void {
		list.select(index);
	}

	// Where the middle of a listed hit lies on the stage, for the viewer's log.
	public function rowPosition(index:Int):String {
		var middle = list.rowMiddle(index);
		if (middle == null)
			return "hidden";
		return Math.round(x + list.x + panelWidth / 2) + "," + Math.round(y + list.y + middle);
	}

	public function fieldPosition():String {
		return Math.round(x + field.x + field.width / 2) + "," + Math.round(y + field.y + field.height / 2);
	}

	function inputField():TextField {
		var input = new TextField();
		input.defaultTextFormat = new TextFormat("_sans", 14, 0x222222);
		input.type = TextFieldType.INPUT;
		input.background = true;
		input.backgroundColor = 0xffffff;
		input.border = true;
		input.borderColor = Ui.mix(colours.button, colours.ink, 0.35);
		input.multiline = false;
		input.maxChars = 200;
		input.height = FIELD_HEIGHT;
		return input;
	}

	function paintRow(index:Int, selected:Bool, width:Float):DisplayObject {
		var hit = describe(index);
		var picture = new Sprite();
		picture.graphics.beginFill(colours.ink, selected ? 0.16 : 0);
		picture.graphics.drawRect(2, 1, width - 4, ROW - 2);
		picture.graphics.endFill();
		picture.graphics.beginFill(colours.ink, 0.12);
		picture.graphics.drawRect(SidePanel.PAD, ROW - 1, width - 2 * SidePanel.PAD, 1);
		picture.graphics.endFill();
		var label = SidePanel.line("Page " + hit.label, colours.ink, 12, width - 2 * SidePanel.PAD, true);
		label.x = SidePanel.PAD - 2;
		label.y = 2;
		var snippet = SidePanel.line(hit.snippet, colours.ink, 13, width - 2 * SidePanel.PAD);
		snippet.x = SidePanel.PAD - 2;
		snippet.y = 19;
		picture.addChild(label);
		picture.addChild(snippet);
		return picture;
	}

	function keyPressed(event:KeyboardEvent):Void {
		switch (event.keyCode) {
			case 13: // enter
				actions.step(!event.shiftKey);
			case 40: // down
				actions.step(true);
			case 38: // up
				actions.step(false);
			case 27: // escape
				actions.close();
			default:
		}
	}
}
