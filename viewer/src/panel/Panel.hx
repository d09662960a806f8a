// The bottom panel: first, previous, the page counter, next, last, the labelled page field, zoom out and
// in, overview, contents, search, share, print, download (of a book that carries its PDF) and full screen, in the page list's panel, button and text colours.
// Every control is a touch target of at least 44 pixels; the ones that do not fit the window's width go
// into a compact menu that opens above the panel from a "more" button, so none is ever out of reach.
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
	var zoomIn:Void->Void;
	var zoomOut:Void->Void;
	var overview:Void->Void;
	var contents:Void->Void;
	var search:Void->Void;
	var fullScreen:Void->Void;
	var download:Void->Void;
	var print:Void->Void;
	var share:Void->Void;
	var goTo:String->Void;
}

typedef Control = {
	var name:String; // as the viewer's log names it
	var view:DisplayObject; // in the panel
	var row:Null<DisplayObject>; // in the menu; null for the controls that always stay in the panel
	var available:Bool;
}

class Panel extends Sprite {
	public static inline var HEIGHT = Ui.TARGET;
	static inline var EDGE = 8.0;
	static inline var GAP = 4.0;
	static inline var MENU_WIDTH = 190.0;

	var fill:Int;
	var buttons:Int;
	var ink:Int;
	var counter:TextField;
	var counterWidth = 60.0;
	var field:TextField;
	var menuField:TextField;
	var controls:Array<Control>;
	// Panel controls in the order they give way to narrower windows; the others never leave the panel.
	var yielding = ["field", "zoomin", "zoomout", "overview", "contents", "search", "first", "last", "share", "print", "download", "fullscreen"];
	var more:Sprite;
	var menu = new Sprite();
	var panelWidth = 0.0;
	var beforeCounter = "previous"; // the page button left of the counter, set apart from it like the field

	public function new(settings:PageList.BookSettings, actions:PanelActions) {
		super();
		fill = settings.panelColor;
		buttons = settings.buttonColor;
		// A text colour too close to the panel's or the buttons' gives way to black or white there.
		ink = Contrast.readable(settings.textColor, fill, Contrast.TEXT);
		var symbols = Contrast.readable(settings.textColor, buttons, Contrast.ICON);
		var fieldBack = Ui.mix(buttons, 0xffffff, 0.15);
		var fieldInk = Contrast.readable(settings.textColor, fieldBack, Contrast.TEXT);
		if (ink != settings.textColor || symbols != settings.textColor)
			Log.line('panel text ${StringTools.hex(ink, 6)} and symbols ${StringTools.hex(symbols, 6)} for contrast');
		var labelled = Lambda.exists(settings.labels, l -> l != null);
		counter = Ui.label("0 / 0", ink, 15);
		field = Ui.pageField(fieldInk, fieldBack, labelled);
		menuField = Ui.pageField(fieldInk, fieldBack, labelled);
		for (f in [field, menuField])
			handEnter(f, actions.goTo);
		inline function button(name:String, icon:Ui.Icon, caption:String, action:Void->Void, available = true):Control {
			var closing = function() {
				closeMenu();
				action();
			};
			return {
				name: name,
				view: Ui.button(icon, buttons, symbols, closing),
				row: Ui.menuRow(icon, caption, MENU_WIDTH, fill, ink, closing),
				available: available
			};
		}
		// A book read right to left runs its page buttons the other way, their arrows mirrored.
		var paging:Array<Control> = [
			button("first", settings.rightToLeft ? Last : First, "First page", actions.first),
			{name: "previous", view: Ui.button(settings.rightToLeft ? Next : Previous, buttons, symbols, actions.previous), row: null, available: true},
			{name: "pages", view: counter, row: null, available: true},
			{name: "next", view: Ui.button(settings.rightToLeft ? Previous : Next, buttons, symbols, actions.next), row: null, available: true},
			button("last", settings.rightToLeft ? First : Last, "Last page", actions.last)
		];
		if (settings.rightToLeft)
			paging.reverse();
		beforeCounter = paging[1].name;
		controls = paging.concat([
			{name: "field", view: fieldBox(field, settings.gotoLabel, 0), row: fieldBox(menuField, settings.gotoLabel, MENU_WIDTH), available: true},
			button("zoomout", ZoomOut, "Zoom out", actions.zoomOut),
			button("zoomin", ZoomIn, "Zoom in", actions.zoomIn),
			button("overview", Overview, "All pages", actions.overview),
			button("contents", Contents, "Contents", actions.contents, settings.contents),
			button("search", Search, "Search", actions.search, settings.search),
			button("share", Share, "Copy link to page", actions.share),
			button("print", Print, "Print", actions.print),
			button("download", Download, "Download PDF", actions.download, settings.download != null),
			button("fullscreen", FullScreen, "Full screen", actions.fullScreen)
		]);
		more = Ui.button(More, buttons, symbols, toggleMenu);
		for (c in controls)
			if (c.available)
				addChild(c.view);
		addChild(more);
		// Clicks on the bare panel or menu belong to neither the page field nor the book.
		addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
	}

	// Enter goes to the page typed, and the keys belong to the book again: arrows turn pages without a
	// click first.
	function handEnter(f:TextField, goTo:String->Void):Void {
		f.addEventListener(KeyboardEvent.KEY_DOWN, function(event:KeyboardEvent) {
			if (event.keyCode != 13)
				return;
			var text = f.text;
			f.text = "";
			closeMenu();
			if (f.stage != null)
				f.stage.focus = f.stage;
			goTo(text);
		});
	}

	// The field's caption and the field, over a target of the full panel height that gives the field the
	// keys wherever it is pressed.
	function fieldBox(f:TextField, caption:String, width:Float):Sprite {
		var box = new Sprite();
		var text = Ui.label(caption, ink, 14);
		box.addChild(text);
		box.addChild(f);
		f.height = 26;
		f.width = 60;
		text.x = width > 0 ? Ui.TARGET + 4 : 0;
		text.y = (Ui.TARGET - text.height) / 2;
		f.x = text.x + text.width + 6;
		f.y = (Ui.TARGET - f.height) / 2;
		box.graphics.beginFill(width > 0 ? fill : 0, width > 0 ? 1 : 0);
		box.graphics.drawRect(0, 0, width > 0 ? width : f.x + f.width, Ui.TARGET);
		box.graphics.endFill();
		box.addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) {
			event.stopPropagation();
			if (f.stage != null && event.target != f)
				f.stage.focus = f;
		});
		return box;
	}

	// Where each control's centre lies on the stage and its size, for the viewer's log:
	// "next=601,778,44,44 ...". Controls in the menu are listed when it opens.
	public function controlPositions():String {
		var parts = [];
		for (c in controls)
			if (c.available && c.view.parent == this && c.name != "pages")
				parts.push(position(c.name, c.view));
		if (more.parent == this)
			parts.push(position("more", more));
		var box = counter.getBounds(stage == null ? this : stage);
		parts.push('counter=${Math.floor(box.left)},${Math.floor(box.top)},${Math.ceil(box.right)},${Math.ceil(box.bottom)}');
		return parts.join(" ");
	}

	// The page field is given by the field itself, not its caption.
	function position(name:String, item:DisplayObject):String {
		if (name == "field")
			item = item == control("field").view ? field : menuField;
		var box = item.getBounds(stage == null ? this : stage);
		var target = name == "field" ? item.parent.getBounds(stage == null ? this : stage) : box;
		return name + "=" + Math.round(box.left + box.width / 2) + "," + Math.round(box.top + box.height / 2) + "," + Math.round(target.width) + ","
			+ Math.round(target.height);
	}

	public function showPages(text:String):Void {
		counter.text = text;
		counter.y = Math.round((HEIGHT - counter.height) / 2);
		// A longer label than any before gets the room it needs instead of running under a button.
		if (counter.width + 4 > counterWidth && panelWidth > 0)
			layOut(panelWidth);
		else
			counter.x = Math.round(counterLeft + (counterWidth - counter.width) / 2);
		if (stage != null) {
			var box = counter.getBounds(stage);
			Log.line('counter "$text" at ${Math.floor(box.left)},${Math.floor(box.top)},${Math.ceil(box.right)},${Math.ceil(box.bottom)}');
		}
	}

	// Room for the longest counter text the book can show in its current views, so the buttons keep
	// still while pages turn.
	public function reserveCounter(widest:String):Void {
		var probe = Ui.label(widest, ink, 15);
		counterWidth = probe.width + 4;
	}

	public function isPageField(object:Dynamic):Bool {
		return object == field || object == menuField;
	}

	var counterLeft = 0.0;

	public function layOut(width:Float):Void {
		closeMenu();
		graphics.clear();
		graphics.beginFill(fill);
		graphics.drawRect(0, 0, width, HEIGHT);
		graphics.endFill();
		panelWidth = width;
		counterWidth = Math.max(counterWidth, counter.width + 4);
		var shown = fitting(width - 2 * EDGE);
		var overflow = [for (c in controls) if (c.available && c.row != null && shown.indexOf(c.name) < 0) c];
		var row = [for (c in controls) if (shown.indexOf(c.name) >= 0) c.view];
		if (overflow.length > 0)
			row.push(more);
		for (c in controls)
			if (c.view.parent == this && row.indexOf(c.view) < 0)
				removeChild(c.view);
		if (more.parent == this && row.indexOf(more) < 0)
			removeChild(more);
		var x = Math.max(EDGE, (width - rowWidth(row)) / 2);
		for (item in row) {
			if (item.parent != this)
				addChild(item);
			var itemWidth = widthOf(item);
			if (item == counter) {
				counterLeft = x;
				item.x = Math.round(x + (counterWidth - item.width) / 2);
			} else {
				item.x = Math.round(x);
			}
			item.y = Math.round((HEIGHT - item.height) / 2);
			x += itemWidth + gapAfter(item);
		}
		buildMenu(overflow);
	}

	// The names of the controls that fit: the fixed ones, then as many of the yielding ones as there is
	// room for (with the "more" button when any is left out).
	function fitting(room:Float):Array<String> {
		var available = [for (name in yielding) if (control(name).available) name];
		var count = available.length;
		while (count >= 0) {
			var names = ["previous", "pages", "next"].concat(available.slice(0, count));
			var row = [for (c in controls) if (names.indexOf(c.name) >= 0) c.view];
			if (count < available.length)
				row.push(more);
			if (rowWidth(row) <= room || count == 0)
				return names;
			count--;
		}
		return ["previous", "pages", "next"];
	}

	function rowWidth(row:Array<DisplayObject>):Float {
		var total = 0.0;
		for (i in 0...row.length)
			total += widthOf(row[i]) + (i + 1 < row.length ? gapAfter(row[i]) : 0);
		return total;
	}

	function gapAfter(item:DisplayObject):Float {
		return item == counter || item == control(beforeCounter).view || item == control("field").view ? 3 * GAP : GAP;
	}

	function widthOf(item:DisplayObject):Float {
		return item == counter ? counterWidth : item.width;
	}

	function control(name:String):Control {
		for (c in controls)
			if (c.name == name)
				return c;
		return null;
	}

	// ---- the compact menu -----------------------------------------------------------------------

	function buildMenu(rows:Array<Control>):Void {
		while (menu.numChildren > 0)
			menu.removeChildAt(0);
		var y = 0.0;
		for (c in rows) {
			c.row.y = y;
			menu.addChild(c.row);
			y += Ui.TARGET;
		}
		menu.graphics.clear();
		menu.graphics.lineStyle(1, Ui.mix(fill, ink, 0.35));
		menu.graphics.drawRect(0, 0, MENU_WIDTH, y);
		menu.x = Math.max(0, Math.min(panelWidth - MENU_WIDTH, more.x + more.width - MENU_WIDTH));
		menu.y = -y;
	}

	// The page field takes the keys, in the panel or, where it gave way, in the menu.
	public function focusPageField():Void {
		if (stage == null)
			return;
		for (c in controls)
			if (c.name == "field" && c.view.parent != this) {
				if (menu.parent == null)
					toggleMenu();
				stage.focus = menuField;
				return;
			}
		stage.focus = field;
	}

	function toggleMenu():Void {
		if (menu.parent != null) {
			closeMenu();
			return;
		}
		addChild(menu);
		if (stage != null)
			stage.addEventListener(MouseEvent.MOUSE_DOWN, closeFromOutside);
		var parts = [];
		for (c in controls)
			if (c.row != null && c.row.parent == menu)
				parts.push(position(c.name, c.row));
		Log.line("menu " + parts.join(" "));
	}

	function closeFromOutside(event:MouseEvent):Void {
		var target:DisplayObject = cast event.target;
		while (target != null && target != this)
			target = target.parent;
		if (target == null)
			closeMenu();
	}

	public function closeMenu():Void {
		if (menu.parent == null)
			return;
		removeChild(menu);
		if (stage != null)
			stage.removeEventListener(MouseEvent.MOUSE_DOWN, closeFromOutside);
		Log.line("menu closed");
	}
}
