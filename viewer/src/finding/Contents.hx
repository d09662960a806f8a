// The contents panel: the book's outline as a tree that opens and closes, each entry with its page
// label; a click or Enter jumps to the entry's page. Keys: up and down move, right opens (or steps into),
// left closes (or steps out), space opens or closes, Enter jumps, Escape closes the panel. Entries whose target lies outside the
// book are shown greyed and go nowhere.
import BookIndex.OutlineEntry;
import SidePanel.PanelColours;
import flash.display.DisplayObject;
import flash.display.Sprite;
import flash.events.KeyboardEvent;

typedef ContentsRow = {
	var entry:OutlineEntry;
	var depth:Int;
	var parent:Int; // row of the parent entry, -1 at the top
}

class Contents extends Sprite {
	public static inline var ROW = 26.0;
	static inline var INDENT = 16.0;
	static inline var OPEN_ALL = 24; // an outline this small starts fully open

	var outline:Array<OutlineEntry>;
	var labels:Array<String>;
	var colours:PanelColours;
	var onJump:Int->Void;
	var onClose:Void->Void;
	var open = new haxe.ds.ObjectMap<OutlineEntry, Bool>();
	var rows:Array<ContentsRow> = [];
	var list:RowList;
	var close:Sprite;
	var panelWidth = 300.0;

	// `onJump` gets the 0-based position of the page.
	public function new(outline:Array<OutlineEntry>, labels:Array<String>, colours:PanelColours, onJump:Int->Void, onClose:Void->Void) {
		super();
		this.outline = outline;
		this.labels = labels;
		this.colours = colours;
		this.onJump = onJump;
		this.onClose = onClose;
		if (size(outline) <= OPEN_ALL)
			openAll(outline);
		addChild(SidePanel.title("Contents", colours));
		close = SidePanel.button("close", colours, onClose);
		addChild(close);
		list = new RowList(ROW, colours.ink, paintRow, picked);
		list.y = SidePanel.HEAD + 4;
		addChild(list);
		focusRect = false;
		SidePanel.keepKeys(this, keyPressed);
		rebuild(0);
	}

	public function layOut(width:Float, height:Float):Void {
		panelWidth = width;
		SidePanel.frame(this, colours, width, height);
		close.x = width - close.width - 8;
		close.y = Math.round((SidePanel.HEAD - close.height) / 2);
		list.setSize(width, height - list.y - 4);
	}

	// The keys come here while the panel is open.
	public function takeKeys():Void {
		if (stage != null)
			stage.focus = this;
	}

	// Where the middle of the row of the n-th entry shown lies on the stage, for the viewer's log.
	public function rowPosition(row:Int):String {
		var middle = list.rowMiddle(row);
		if (middle == null)
			return "hidden";
		return Math.round(x + list.x + panelWidth / 2) + "," + Math.round(y + list.y + middle);
	}

	public function rowCount():Int {
		return rows.length;
	}

	static function size(entries:Array<OutlineEntry>):Int {
		var total = entries.length;
		for (e in entries)
			total += size(e.children);
		return total;
	}

	function openAll(entries:Array<OutlineEntry>):Void {
		for (e in entries)
			if (e.children.length > 0) {
				open.set(e, true);
				openAll(e.children);
			}
	}

	// The rows shown: every entry whose ancestors are all open.
	function rebuild(select:Int):Void {
		rows = [];
		add(outline, 0, -1);
		list.setCount(rows.length, select);
	}

	function add(entries:Array<OutlineEntry>, depth:Int, parent:Int):Void {
		for (e in entries) {
			rows.push({entry: e, depth: depth, parent: parent});
			if (open.exists(e))
				add(e.children, depth + 1, rows.length - 1);
		}
	}

	function paintRow(index:Int, selected:Bool, width:Float):DisplayObject {
		var row = rows[index];
		var picture = new Sprite();
		if (selected) {
			picture.graphics.beginFill(colours.ink, 0.16);
			picture.graphics.drawRect(2, 1, width - 4, ROW - 2);
			picture.graphics.endFill();
		}
		var left = SidePanel.PAD + row.depth * INDENT;
		if (row.entry.children.length > 0)
			drawToggle(picture, left + 5, ROW / 2, open.exists(row.entry));
		var label = row.entry.page > 0 ? labels[row.entry.page - 1] : "";
		var page = Ui.label(label, colours.ink, 13);
		page.x = width - SidePanel.PAD - page.width;
		page.y = Math.round((ROW - page.height) / 2);
		var title = SidePanel.line(row.entry.title, colours.ink, 14, page.x - left - 20);
		title.x = left + 14;
		title.y = Math.round((ROW - title.height) / 2) + 1;
		picture.addChild(title);
		picture.addChild(page);
		if (row.entry.page == 0)
			picture.alpha = 0.45;
		return picture;
	}

	function drawToggle(picture:Sprite, x:Float, y:Float, isOpen:Bool):Void {
		var g = picture.graphics;
		g.beginFill(colours.ink, 0.8);
		if (isOpen) {
			g.moveTo(x - 4, y - 2);
			g.lineTo(x + 4, y - 2);
			g.lineTo(x, y + 3);
		} else {
			g.moveTo(x - 2, y - 4);
			g.lineTo(x + 3, y);
			g.lineTo(x - 2, y + 4);
		}
		g.endFill();
	}

	// A click on the triangle opens or closes; anywhere else on the row jumps.
	function picked(index:Int, x:Float):Void {
		var row = rows[index];
		list.select(index);
		takeKeys();
		if (row.entry.children.length > 0 && x < SidePanel.PAD + row.depth * INDENT + 14)
			toggle(index);
		else
			jump(index);
	}

	function toggle(index:Int):Void {
		var entry = rows[index].entry;
		if (entry.children.length == 0)
			return;
		if (open.exists(entry))
			open.remove(entry);
		else
			open.set(entry, true);
		rebuild(index);
	}

	function jump(index:Int):Void {
		var page = rows[index].entry.page;
		if (page > 0)
			onJump(page - 1);
	}

	function keyPressed(event:KeyboardEvent):Void {
		var at = list.selected;
		var row = at >= 0 ? rows[at] : null;
		switch (event.keyCode) {
			case 40: // down
				list.select(at + 1);
			case 38: // up
				list.select(at < 0 ? 0 : at - 1);
			case 34: // page down
				list.select(at + list.visibleRows());
			case 33: // page up
				list.select(at - list.visibleRows());
			case 36: // home
				list.select(0);
			case 35: // end
				list.select(rows.length - 1);
			case 39: // right: open, or step into an open entry
				if (row != null && row.entry.children.length > 0)
					open.exists(row.entry) ? list.select(at + 1) : toggle(at);
			case 37: // left: close, or step out to the parent
				if (row != null && open.exists(row.entry))
					toggle(at);
				else if (row != null && row.parent >= 0)
					list.select(row.parent);
			case 13: // enter
				if (row != null)
					jump(at);
			case 32: // space
				if (row != null)
					toggle(at);
			case 27: // escape
				onClose();
			default:
		}
	}
}
