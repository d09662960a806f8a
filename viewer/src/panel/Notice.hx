// Messages over the book: a box in the middle of the window that stays (the book cannot open), and a
// short notice above the panel that fades by itself (a jump that cannot be made).
import flash.display.Stage;
import flash.text.TextField;

class Notice {
	static inline var SHOWN_MS = 2600.0;
	static inline var FADE_MS = 400.0;

	var stage:Stage;
	var message:Null<TextField>;
	var brief:Null<TextField>;
	var briefSince = 0.0;

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
		if (brief != null)
			placeBrief();
		if (message == null)
			return;
		message.width = Math.min(560, Math.max(200, stage.stageWidth - 40));
		message.x = (stage.stageWidth - message.width) / 2;
		message.y = (stage.stageHeight - message.height) / 2;
	}

	// A few words just above the panel that fade by themselves.
	public function tell(text:String):Void {
		if (brief == null) {
			brief = Ui.label(text, 0xffffff, 15, true);
			brief.background = true;
			brief.backgroundColor = 0x333333;
			brief.mouseEnabled = false;
			stage.addEventListener(flash.events.Event.ENTER_FRAME, fade);
		}
		brief.text = text;
		brief.alpha = 1;
		flash.Lib.current.addChild(brief);
		briefSince = haxe.Timer.stamp() * 1000;
		placeBrief();
		Log.line("notice: " + text);
	}

	function placeBrief():Void {
		brief.width = Math.min(420, Math.max(160, stage.stageWidth - 40));
		brief.x = (stage.stageWidth - brief.width) / 2;
		brief.y = stage.stageHeight - Panel.HEIGHT - brief.height - 16;
	}

	function fade(_):Void {
		var age = haxe.Timer.stamp() * 1000 - briefSince;
		if (age < SHOWN_MS)
			return;
		brief.alpha = Math.max(0, 1 - (age - SHOWN_MS) / FADE_MS);
		if (brief.alpha > 0)
			return;
		stage.removeEventListener(flash.events.Event.ENTER_FRAME, fade);
		if (brief.parent != null)
			brief.parent.removeChild(brief);
		brief = null;
	}

	public function hide():Void {
		if (message != null && message.parent != null)
			message.parent.removeChild(message);
		message = null;
	}
}
