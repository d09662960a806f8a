// The overview: a scrollable grid of thumbnails of every page over the book's room, with a close button.
// Thumbnails are the page files themselves, loaded only for the rows in sight and their neighbours, a few
// at a time, and let go of once scrolled far away. The pages shown in the book are framed; a tap or click
// on a thumbnail jumps there, a drag, the wheel or the keys scroll, Escape closes.
import flash.display.DisplayObject;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.geom.Rectangle;
import flash.text.TextField;

// How the overview gets its thumbnails: `open` starts loading a page, shown at the page list's size,
// and calls back once it is drawn or has failed; `close` lets go of it.
typedef Thumbnails = {
	var open:Int->(Void->Void)->DisplayObject;
	var close:DisplayObject->Void;
}

typedef OverviewActions = {
	var jump:Int->Void;
	var close:Void->Void;
}

typedef Held = {
	var view:DisplayObject;
	var settled:Bool;
}

class Overview extends Sprite {
	public static inline var HEADER = 52.0;
	static inline var AT_ONCE = 16; // thumbnails loading together: the ones in sight come first
	static inline var HIGHLIGHT = 0x2a7ae2;
	static inline var DRAG = 8.0; // pixels a press may move and still be a tap

	var settings:PageList.BookSettings;
	var thumbnails:Thumbnails;
	var actions:OverviewActions;
	var grid:OverviewGrid;
	var scroll = 0.0;
	var current:Array<Int> = [];
	var viewport = new Sprite(); // the grid under the header, clipped and scrolled by its scrollRect
	var cells = new Map<Int, Sprite>();
	var held = new Map<Int, Held>();
	var header = new Sprite();
	var title:TextField;
	var closeButton:Sprite;
	var ink:Int;
	var pressAt:Null<{x:Float, y:Float, scroll:Float, dragged:Bool}>;
	var lastSight = "";
	var settledSaid = false;

	public function new(settings:PageList.BookSettings, thumbnails:Thumbnails, actions:OverviewActions) {
		super();
		this.settings = settings;
		this.thumbnails = thumbnails;
		this.actions = actions;
		ink = inkOn(settings.backgroundColor);
		title = Ui.label("Pages", ink, 16);
		closeButton = makeCloseButton();
		header.addChild(title);
		header.addChild(closeButton);
		addChild(viewport);
		addChild(header);
		viewport.addEventListener(MouseEvent.MOUSE_DOWN, pressed);
		addEventListener(MouseEvent.MOUSE_WHEEL, wheeled);
		// Presses on the header or between thumbnails reach nothing beneath.
		addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
	}

	// Text colour that reads on a background: dark on light, light on dark.
	public static function inkOn(background:Int):Int {
		var r = (background >> 16) & 0xff;
		var g = (background >> 8) & 0xff;
		var b = background & 0xff;
		return 0.299 * r + 0.587 * g + 0.114 * b > 140 ? 0x202020 : 0xf4f4f4;
	}

	// Fills a room of the stage; keeps the first row in sight in sight when the room changes shape.
	public function layOut(width:Float, height:Float):Void {
		var topPage = grid == null ? (current.length > 0 ? current[0] : 0) : grid.rowsInSight(scroll).first * grid.columns;
		var wasOpen = grid != null;
		grid = new OverviewGrid(settings.pages.length, width, height - HEADER, settings.width, settings.height, width < 600 ? 96 : 140, settings.rightToLeft);
		graphics.clear();
		graphics.beginFill(settings.backgroundColor);
		graphics.drawRect(0, 0, width, height);
		graphics.endFill();
		header.graphics.clear();
		header.graphics.beginFill(Ui.mix(settings.backgroundColor, ink, 0.08));
		header.graphics.drawRect(0, 0, width, HEADER);
		header.graphics.endFill();
		title.x = OverviewGrid.GAP;
		title.y = Math.round((HEADER - title.height) / 2);
		closeButton.x = width - closeButton.width - 4;
		closeButton.y = (HEADER - closeButton.height) / 2;
		viewport.y = HEADER;
		for (page in [for (p in cells.keys()) p])
			dropCell(page);
		for (entry in held)
			entry.view.scaleX = entry.view.scaleY = grid.thumbWidth / settings.width;
		scrollTo(wasOpen ? grid.cellY(topPage) - OverviewGrid.GAP : grid.scrollToShow(topPage), true);
		Log.line('overview grid columns=${grid.columns} rows=${grid.rows} origin=${Math.round(grid.left)},${Math.round(HEADER + OverviewGrid.GAP)} '
			+ 'step=${fixed(grid.stepX())},${fixed(grid.stepY())} thumb=${fixed(grid.thumbWidth)}x${fixed(grid.thumbHeight)} close='
			+ Math.round(closeButton.x + closeButton.width / 2) + ',' + Math.round(closeButton.y + closeButton.height / 2));
	}

	// The pages the book shows, framed in the grid; the first of them is scrolled into sight.
	public function showCurrent(pages:Array<Int>):Void {
		if (grid != null && pages.join(",") == current.join(","))
			return;
		current = pages.copy();
		for (page in cells.keys())
			frame(page);
		if (grid != null && pages.length > 0)
			scrollTo(grid.scrollToShow(pages[0]));
	}

	// Lets go of every thumbnail; the overview can be opened again.
	public function dispose():Void {
		// A press still held ends here, so its release cannot jump after the overview is gone.
		pressAt = null;
		if (stage != null) {
			stage.removeEventListener(MouseEvent.MOUSE_MOVE, moved);
			stage.removeEventListener(MouseEvent.MOUSE_UP, released);
		}
		for (page in [for (p in cells.keys()) p])
			dropCell(page);
		for (page in [for (p in held.keys()) p])
			release(page);
		if (parent != null)
			parent.removeChild(this);
	}

	// Keys while the overview is open; true when the key was the overview's.
	public function keyPressed(keyCode:Int):Bool {
		if (grid == null)
			return false;
		switch (keyCode) {
			case 27: // escape
				actions.close();
			case 38: // up
				scrollTo(scroll - grid.stepY());
			case 40: // down
				scrollTo(scroll + grid.stepY());
			case 33: // page up
				scrollTo(scroll - grid.roomHeight * 0.9);
			case 34 | 32: // page down, space
				scrollTo(scroll + grid.roomHeight * 0.9);
			case 36: // home
				scrollTo(0);
			case 35: // end
				scrollTo(grid.maxScroll());
			default:
				return false;
		}
		return true;
	}

	// ---- scrolling --------------------------------------------------------------------------------

	public function scrollTo(target:Float, force = false):Void {
		if (grid == null)
			return;
		target = grid.clampScroll(target);
		if (target == scroll && !force)
			return;
		scroll = target;
		viewport.scrollRect = new Rectangle(0, scroll, grid.roomWidth, grid.roomHeight);
		refresh();
	}

	// Cells for the rows near sight, thumbnails for the rows in sight and their neighbours.
	function refresh():Void {
		var sight = grid.rowsInSight(scroll);
		for (page in grid.pagesOfRows(sight.first - OverviewGrid.KEPT_ROWS, sight.last + OverviewGrid.KEPT_ROWS))
			if (!cells.exists(page))
				makeCell(page);
		for (page in [for (p in cells.keys()) p])
			if (!grid.isKept(page, scroll))
				dropCell(page);
		var plan = grid.plan([for (p in held.keys()) p], scroll);
		for (page in plan.unload)
			release(page);
		var loading = Lambda.count(held, function(h) return !h.settled);
		for (page in plan.load) {
			if (loading >= AT_ONCE)
				break;
			load(page);
			loading++;
		}
		var text = '${sight.first + 1}-${sight.last + 1}';
		if (text != lastSight) {
			lastSight = text;
			settledSaid = false;
			Log.line('overview rows $text of ${grid.rows} in sight, holding ${Lambda.count(held)} thumbnails');
		}
		sayIfSettled();
	}

	// Every change of the rows in sight is followed by one line once their thumbnails are all drawn.
	function sayIfSettled():Void {
		if (settledSaid || Lambda.exists(held, function(h) return !h.settled))
			return;
		settledSaid = true;
		Log.line('overview thumbnails settled, holding ${Lambda.count(held)}');
	}

	function load(page:Int):Void {
		var entry:Held = {view: null, settled: false};
		held.set(page, entry);
		entry.view = thumbnails.open(page, function() {
			if (held.get(page) != entry)
				return;
			entry.settled = true;
			// Drawn once as a picture where the player can, not re-drawn from its vectors every frame.
			if (entry.view != null)
				entry.view.cacheAsBitmap = true;
			// A free slot: the next wanted thumbnail starts.
			if (grid != null)
				refresh();
		});
		if (entry.view is Sprite) {
			var sprite:Sprite = cast entry.view;
			sprite.mouseEnabled = false;
			sprite.mouseChildren = false;
		}
		entry.view.scaleX = entry.view.scaleY = grid.thumbWidth / settings.width;
		var cell = cells.get(page);
		if (cell != null)
			cell.addChildAt(entry.view, 1);
	}

	function release(page:Int):Void {
		var entry = held.get(page);
		held.remove(page);
		if (entry != null && entry.view != null)
			thumbnails.close(entry.view);
	}

	// ---- cells ------------------------------------------------------------------------------------

	function makeCell(page:Int):Void {
		var cell = new Sprite();
		cell.mouseChildren = false;
		cell.x = grid.cellX(page);
		cell.y = grid.cellY(page);
		var paper = new Shape();
		paper.graphics.beginFill(Ui.mix(settings.backgroundColor, 0xffffff, 0.55));
		paper.graphics.drawRect(0, 0, grid.thumbWidth, grid.thumbHeight);
		paper.graphics.endFill();
		cell.addChild(paper);
		var number = Ui.label('${page + 1}', ink, 13);
		number.x = (grid.thumbWidth - number.width) / 2;
		number.y = grid.thumbHeight + 1;
		cell.addChild(number);
		var outline = new Shape();
		outline.name = "frame";
		cell.addChild(outline);
		cells.set(page, cell);
		viewport.addChild(cell);
		var entry = held.get(page);
		if (entry != null)
			cell.addChildAt(entry.view, 1);
		frame(page);
	}

	function dropCell(page:Int):Void {
		var cell = cells.get(page);
		cells.remove(page);
		if (cell != null && cell.parent != null)
			cell.parent.removeChild(cell);
	}

	function frame(page:Int):Void {
		var cell = cells.get(page);
		if (cell == null)
			return;
		var outline:Shape = cast cell.getChildByName("frame");
		outline.graphics.clear();
		if (current.indexOf(page) < 0)
			return;
		outline.graphics.lineStyle(4, HIGHLIGHT);
		outline.graphics.drawRect(-2, -2, grid.thumbWidth + 4, grid.thumbHeight + 4);
	}

	// ---- pointer ----------------------------------------------------------------------------------

	function pressed(event:MouseEvent):Void {
		pressAt = {x: event.stageX, y: event.stageY, scroll: scroll, dragged: false};
		stage.addEventListener(MouseEvent.MOUSE_MOVE, moved);
		stage.addEventListener(MouseEvent.MOUSE_UP, released);
	}

	function moved(event:MouseEvent):Void {
		if (pressAt == null)
			return;
		var dy = event.stageY - pressAt.y;
		if (!pressAt.dragged && Math.abs(dy) + Math.abs(event.stageX - pressAt.x) > DRAG)
			pressAt.dragged = true;
		if (pressAt.dragged)
			scrollTo(pressAt.scroll - dy);
	}

	function released(event:MouseEvent):Void {
		if (stage != null) {
			stage.removeEventListener(MouseEvent.MOUSE_MOVE, moved);
			stage.removeEventListener(MouseEvent.MOUSE_UP, released);
		}
		var press = pressAt;
		pressAt = null;
		if (press == null || press.dragged || event == null)
			return;
		var local = globalToLocal(new flash.geom.Point(event.stageX, event.stageY));
		var page = grid.pageAt(local.x, local.y - HEADER, scroll);
		if (page != null)
			actions.jump(page);
	}

	function wheeled(event:MouseEvent):Void {
		if (grid == null || event.delta == 0)
			return;
		// A notch of the wheel moves a third of a row.
		scrollTo(scroll - event.delta * grid.stepY() / 3);
	}

	// ---- drawing ----------------------------------------------------------------------------------

	function makeCloseButton():Sprite {
		var button = new Sprite();
		var g = button.graphics;
		g.beginFill(Ui.mix(settings.backgroundColor, ink, 0.15));
		g.drawRoundRect(0, 0, 44, 44, 10, 10);
		g.endFill();
		g.lineStyle(3, ink);
		g.moveTo(14, 14);
		g.lineTo(30, 30);
		g.moveTo(30, 14);
		g.lineTo(14, 30);
		button.buttonMode = true;
		button.useHandCursor = true;
		button.tabEnabled = false;
		button.addEventListener(MouseEvent.CLICK, function(event:MouseEvent) {
			event.stopPropagation();
			actions.close();
		});
		return button;
	}

	static function fixed(value:Float):String {
		return '${Math.round(value * 100) / 100}';
	}
}
