// One page of the book on screen: white paper at the page list's size, the page file loaded on demand
// (bytes first, so the links recorded in the file can be read), link areas that turn the book, and a
// spinner or a message while the file loads or when it cannot be had.
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

	var pageWidth:Float;
	var pageHeight:Float;
	var source:String;
	var onLink:Int->Void;
	var onSettled:PageView->Void;
	var request:URLLoader;
	var loader:Loader;
	var spinner:Shape;
	var spinnerAngle = 0.0;

	public function new(index:Int, source:String, pageWidth:Float, pageHeight:Float, onLink:Int->Void, onSettled:PageView->Void) {
		super();
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

	function drawPaper():Void {
		graphics.beginFill(0xffffff);
		graphics.drawRect(0, 0, pageWidth, pageHeight);
		graphics.endFill();
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
		if (data == null || data.length < 8) {
			fail("is empty or cut short");
			return;
		}
		var info = PageFile.read(Bytes.ofData(data));
		loader = new Loader();
		loader.contentLoaderInfo.addEventListener(Event.INIT, function(_) contentArrived(info));
		loader.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, function(_) fail("is not a page file the player can show"));
		try {
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
		// Fill the page list's page size; a file of another shape is scaled to fit and centred.
		var scale = Math.min(pageWidth / stageWidth, pageHeight / stageHeight);
		var holder = new Sprite();
		holder.scaleX = holder.scaleY = scale;
		holder.x = (pageWidth - stageWidth * scale) / 2;
		holder.y = (pageHeight - stageHeight * scale) / 2;
		holder.addChild(loader);
		holder.scrollRect = new flash.geom.Rectangle(0, 0, stageWidth, stageHeight);
		if (info != null)
			for (link in info.links)
				holder.addChild(linkArea(link));
		addChild(holder);
		hideSpinner();
		ready = true;
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
		return area;
	}

	function fail(reason:String):Void {
		if (failed || ready)
			return;
		request = null;
		loader = null;
		failed = true;
		hideSpinner();
		var note = Ui.label('Page ${index + 1} could not be shown:\n$source $reason.', 0x802020, 14, true);
		note.width = pageWidth * 0.8;
		note.x = pageWidth * 0.1;
		note.y = pageHeight / 2 - note.height / 2;
		addChild(note);
		onSettled(this);
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
