// Messages over the book: a box in the middle of the window that stays (the book cannot open), and a
// short notice above the panel that fades by itself (a jump that cannot be made).
import flash.display.Stage;
import flash.text.TextField;

class Notice {
	var stage:Stage;
	var message:Null<TextField>;

	public function new(stage:Stage) {
		this.stage = stage;
	}

	public function show(text:String):Void {
		hide();
		message = Ui.label(text, 0x333333, 16, true);
		message.background = true;
		message.backgroundColor = 0xffffff;
		message.border = true;
		message.borderColor = 0x999999;
		flash.Lib.current.addChild(message);
		place();
	}

	public function place():Void {
		if (message == null)
			return;
		message.width = Math.min(560, Math.max(200, stage.stageWidth - 40));
		message.x = (stage.stageWidth - message.width) / 2;
		message.y = (stage.stageHeight - message.height) / 2;
	}

	public function hide():Void {
		if (message != null && message.parent != null)
			message.parent.removeChild(message);
		message = null;
	}
}
