// One page of the book on screen: the page file loaded on demand (bytes first, so the links recorded in
// the file and its own shape can be read; a page importing the book's fonts is then played from its
// address), drawn on white paper of its own shape as large as the slot it
// stands in allows, link areas that turn the book, and a spinner or a message while the file loads or
// when it cannot be had (missing, cut short or unreadable alike).
import flash.display.Loader;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.MouseEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLLoaderDataFormat;
import flash.net.URLRequest;
import haxe.io.Bytes;

class PageView extends Sprite {
	public var index(default, null):Int;
	public var ready(default, null) = false;
	public var failed(default, null) = false;
	// The page file's stage size once known: the page's own shape.
	public var naturalWidth(default, null) = 0.0;
	public var naturalHeight(default, null) = 0.0;

	var pageWidth:Float; // the slot
	var pageHeight:Float;
	var align = 0; // -1: against the slot's right edge (a left-hand page), 1: its left edge, 0: centred
	// In a book that reads right to left the page layer is mirrored: the page is mirrored back within its
	// slot, so it reads as it should and stands against the edge its slot asks for.
	public var mirrored = false;
	var holder:Null<Sprite>;
	var note:Null<flash.text.TextField>;
	var links:Array<Sprite> = [];
	var onShape:PageView->Void;
	var source:String;
	var onLink:Int->Void;
	var onSettled:PageView->Void;
	var request:URLLoader;
	var loader:Loader;
	var spinner:Shape;
	var spinnerAngle = 0.0;

	public function new(index:Int, source:String, pageWidth:Float, pageHeight:Float, onLink:Int->Void, onSettled:PageView->Void,
			onShape:PageView->Void) {
		super();
		this.onShape = onShape;
		this.index = index;
		this.source = source;
		this.pageWidth = pageWidth;
		this.pageHeight = pageHeight;
		this.onLink = onLink;
		this.onSettled = onSettled;
		drawPaper();
		showSpinner();
		startLoading();
	}

	public function dispose():Void {
		removeEventListener(Event.ENTER_FRAME, turnSpinner);
		if (request != null)
			try {
				request.close();
			} catch (e:Dynamic) {}
		if (loader != null)
			try {
				loader.unloadAndStop();
			} catch (e:Dynamic) {}
		request = null;
		loader = null;
		if (parent != null)
			parent.removeChild(this);
	}

	// Stands the page in a slot of this size (page units, from the slot's top-left corner).
	public function fitInto(slotWidth:Float, slotHeight:Float, alignTo:Int):Void {
		if (slotWidth == pageWidth && slotHeight == pageHeight && alignTo == align)
			return;
		pageWidth = slotWidth;
		pageHeight = slotHeight;
		align = alignTo;
		drawPaper();
		if (spinner != null) {
			spinner.x = pageWidth / 2;
			spinner.y = pageHeight / 2;
		}
		placeNote();
	}

	// Where the page lies in its own coordinates: its own shape as large as the slot allows.
	public function box():Layout.Box {
		var b = slotBox();
		return mirrored ? Layout.mirrorBox(b, pageWidth) : b;
	}

	// Where the page lies in its slot as the page layer sees it.
	public function slotBox():Layout.Box {
		if (!(naturalWidth > 0) || !(naturalHeight > 0))
			return {x: 0, y: 0, width: pageWidth, height: pageHeight};
		return Layout.fitBox(naturalWidth, naturalHeight, pageWidth, pageHeight, align);
	}

	// The page's own flip within its slot, to go before the place the slot gives it.
	public function facing():flash.geom.Matrix {
		return mirrored ? new flash.geom.Matrix(-1, 0, 0, 1, pageWidth, 0) : new flash.geom.Matrix();
	}

	// Whether a link of this page lies under a point of the stage.
	public function linkAt(stageX:Float, stageY:Float):Bool {
		for (link in links)
			if (link.stage != null && link.hitTestPoint(stageX, stageY, true))
				return true;
		return false;
	}

	function drawPaper():Void {
		var b = box();
		graphics.clear();
		graphics.beginFill(0xffffff);
		graphics.drawRect(b.x, b.y, b.width, b.height);
		graphics.endFill();
		if (holder != null) {
			var scale = b.width / naturalWidth;
			holder.scaleX = holder.scaleY = scale;
			holder.x = b.x;
			holder.y = b.y;
		}
	}

	function startLoading():Void {
		request = new URLLoader();
		request.dataFormat = URLLoaderDataFormat.BINARY;
		request.addEventListener(Event.COMPLETE, bytesArrived);
		request.addEventListener(IOErrorEvent.IO_ERROR, function(_) fail("is missing"));
		request.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) fail("may not be read"));
		request.load(new URLRequest(source));
	}

	function bytesArrived(_):Void {
		if (request == null)
			return;
		var data:flash.utils.ByteArray = request.data;
		request = null;
		var checked = PageFile.check(data == null ? null : Bytes.ofData(data));
		if (checked.problem != null) {
			fail(checked.problem);
			return;
		}
		var info = checked.info;
		loader = new Loader();
		loader.contentLoaderInfo.addEventListener(Event.INIT, function(_) contentArrived(info));
		loader.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, function(_) fail("is not a page file the player can show"));
		try {
			if (info != null && info.imports)
				loader.load(new URLRequest(source)); // the second fetch is answered by the cache
			else
				loader.loadBytes(data);
		} catch (e:Dynamic) {
			fail("is not a page file the player can show");
		}
	}

	function contentArrived(info:Null<PageFile.PageFileInfo>):Void {
		if (loader == null)
			return;
		var stageWidth = info != null ? info.stageWidth : loader.contentLoaderInfo.width;
		var stageHeight = info != null ? info.stageHeight : loader.contentLoaderInfo.height;
		if (!(stageWidth > 0) || !(stageHeight > 0)) {
			stageWidth = pageWidth;
			stageHeight = pageHeight;
		}
		naturalWidth = stageWidth;
		naturalHeight = stageHeight;
		holder = new Sprite();
		holder.addChild(loader);
		holder.scrollRect = new flash.geom.Rectangle(0, 0, stageWidth, stageHeight);
		if (info != null)
			for (link in info.links)
				holder.addChild(linkArea(link));
		addChild(holder);
		drawPaper();
		hideSpinner();
		ready = true;
		onShape(this);
		onSettled(this);
	}

	function linkArea(link:PageFile.PageLink):Sprite {
		var area = new Sprite();
		area.graphics.beginFill(0xffffff, 0);
		area.graphics.drawRect(link.x, link.y, link.width, link.height);
		area.graphics.endFill();
		area.buttonMode = true;
		area.useHandCursor = true;
		area.tabEnabled = false;
		area.addEventListener(MouseEvent.CLICK, function(event:MouseEvent) {
			event.stopPropagation();
			onLink(link.page);
		});
		// A press on a link is no start of a page drag.
		area.addEventListener(MouseEvent.MOUSE_DOWN, function(event:MouseEvent) event.stopPropagation());
		links.push(area);
		return area;
	}

	function fail(reason:String):Void {
		if (failed || ready)
			return;
		request = null;
		loader = null;
		failed = true;
		hideSpinner();
		note = Ui.label('Page ${index + 1} could not be shown:\n$source $reason.', 0x802020, 14, true);
		addChild(note);
		placeNote();
		onSettled(this);
	}

	function placeNote():Void {
		if (note == null)
			return;
		note.width = pageWidth * 0.8;
		note.x = pageWidth * 0.1;
		note.y = pageHeight / 2 - note.height / 2;
	}

	function showSpinner():Void {
		spinner = new Shape();
		var radius = Math.min(pageWidth, pageHeight) * 0.05;
		spinner.graphics.lineStyle(radius * 0.25, 0x909090);
		for (step in 0...9) {
			var angle = step / 12 * Math.PI * 2;
			spinner.graphics.lineStyle(radius * 0.25, 0x909090, 0.2 + step * 0.09);
			spinner.graphics.moveTo(Math.cos(angle) * radius * 0.55, Math.sin(angle) * radius * 0.55);
			spinner.graphics.lineTo(Math.cos(angle) * radius, Math.sin(angle) * radius);
		}
		spinner.x = pageWidth / 2;
		spinner.y = pageHeight / 2;
		addChild(spinner);
		addEventListener(Event.ENTER_FRAME, turnSpinner);
	}

	function turnSpinner(_):Void {
		if (spinner != null)
			spinner.rotation = (spinner.rotation + 8) % 360;
	}

	function hideSpinner():Void {
		removeEventListener(Event.ENTER_FRAME, turnSpinner);
		if (spinner != null && spinner.parent != null)
			spinner.parent.removeChild(spinner);
		spinner = null;
	}
}
