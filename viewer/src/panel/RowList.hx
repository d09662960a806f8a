// A scrolling list of equal rows for the side panels (contents and search results): only the rows in
// view exist as display objects, so an outline or a hit list of thousands costs no more than a screenful.
// The wheel scrolls; a click picks a row; the owner moves the selection from its keys.
import flash.display.DisplayObject;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.MouseEvent;

typedef RowPainter = Int->Bool->Float->DisplayObject; // row index, selected, width: the row's picture

class RowList extends Sprite {
	public var count(default, null) = 0;
	public var selected(default, null) = -1;
	public var rowHeight(default, null):Float;

	var listWidth = 100.0;
	var listHeight = 100.0;
	var top = 0;
	var paint:RowPainter;
	var onPick:Int->Float->Void; // row index, x inside the row
	var rows = new Sprite();
	var bar = new Shape();
	var ink:Int;

	public function new(rowHeight:Float, ink:Int, paint:RowPainter, onPick:Int->Float->Void) {
		super();
		this.rowHeight = rowHeight;
		this.ink = ink;
		this.paint = paint;
		this.onPick = onPick;
		rows.mouseEnabled = false;
		rows.mouseChildren = false;
		addChild(rows);
		addChild(bar);
		addEventListener(MouseEvent.MOUSE_WHEEL, function(event:MouseEvent) {
			scrollTo(top - (event.delta > 0 ? 3 : -3));
			event.stopPropagation();
		});
		addEventListener(MouseEvent.CLICK, function(event:MouseEvent) {
			var index = top + Std.int(event.localY / rowHeight);
			if (event.localY >= 0 && index < count)
				onPick(index, event.localX);
			event.stopPropagation();
		});
		addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
	}

	public function setSize(width:Float, height:Float):Void {
		listWidth = width;
		listHeight = Math.max(rowHeight, height);
		scrollTo(top);
	}

	// A new set of rows keeps the scroll position where it can.
	public function setCount(rowCount:Int, select = -1):Void {
		count = rowCount;
		selected = select < count ? select : -1;
		scrollTo(top);
		if (selected >= 0)
			reveal(selected);
	}

	public function select(index:Int):Void {
		if (count == 0)
			return;
		selected = index < 0 ? 0 : (index >= count ? count - 1 : index);
		reveal(selected);
		redraw();
	}

	public function visibleRows():Int {
		return Std.int(Math.max(1, Math.floor(listHeight / rowHeight)));
	}

	// Where a row's middle lies in this list's coordinates, or null when it is scrolled out of view.
	public function rowMiddle(index:Int):Null<Float> {
		if (index < top || index >= top + visibleRows() || index >= count)
			return null;
		return (index - top + 0.5) * rowHeight;
	}

	function reveal(index:Int):Void {
		if (index < top)
			scrollTo(index);
		else if (index >= top + visibleRows())
			scrollTo(index - visibleRows() + 1);
	}

	function scrollTo(first:Int):Void {
		var last = Std.int(Math.max(0, count - visibleRows()));
		top = first < 0 ? 0 : (first > last ? last : first);
		redraw();
	}

	public function redraw():Void {
		graphics.clear();
		// Clicks land on the whole list, between rows too.
		graphics.beginFill(0xffffff, 0);
		graphics.drawRect(0, 0, listWidth, listHeight);
		graphics.endFill();
		while (rows.numChildren > 0)
			rows.removeChildAt(0);
		var scrolled = count > visibleRows();
		var width = listWidth - (scrolled ? 8 : 0);
		for (i in top...Std.int(Math.min(count, top + visibleRows()))) {
			var row = paint(i, i == selected, width);
			row.y = (i - top) * rowHeight;
			rows.addChild(row);
		}
		bar.graphics.clear();
		if (scrolled) {
			var share = visibleRows() / count;
			bar.graphics.beginFill(ink, 0.35);
			bar.graphics.drawRoundRect(listWidth - 5, listHeight * top / count, 4, Math.max(12, listHeight * share), 4, 4);
			bar.graphics.endFill();
		}
	}
}
