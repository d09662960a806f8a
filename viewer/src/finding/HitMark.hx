// The mark over a search hit: translucent boxes over the hit's words, drawn as a child of the page it
// lies on, so that it turns, zooms and scales with that page.
import Search.WordBox;
import flash.display.Shape;

class HitMark extends Shape {
	public static inline var COLOUR = 0xffb000;
	public static inline var ALPHA = 0.45;

	public var page(default, null) = -1;

	// Boxes are in the page file's stage (`stageWidth` x `stageHeight`), which the page view fits into
	// its `pageWidth` x `pageHeight` and centres, as it does the page file itself.
	public function show(page:Int, boxes:Array<WordBox>, stageWidth:Float, stageHeight:Float, pageWidth:Float, pageHeight:Float):Void {
		this.page = page;
		if (!(stageWidth > 0) || !(stageHeight > 0)) {
			stageWidth = pageWidth;
			stageHeight = pageHeight;
		}
		var scale = Math.min(pageWidth / stageWidth, pageHeight / stageHeight);
		x = (pageWidth - stageWidth * scale) / 2;
		y = (pageHeight - stageHeight * scale) / 2;
		scaleX = scaleY = scale;
		graphics.clear();
		// A little room around the words, as a highlighter leaves.
		for (box in boxes) {
			var spare = box.height * 0.12;
			graphics.beginFill(COLOUR, ALPHA);
			graphics.drawRect(box.x - spare, box.y - spare, box.width + 2 * spare, box.height + 2 * spare);
			graphics.endFill();
		}
	}

	public function clear():Void {
		page = -1;
		graphics.clear();
		if (parent != null)
			parent.removeChild(this);
	}

	// Puts the mark on top of its page's view when that view is the one given.
	public function attach(view:PageView):Void {
		if (page >= 0 && view != null && view.index == page)
			view.addChild(this);
	}
}
