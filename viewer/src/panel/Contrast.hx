// Contrast of the panel's colours as WCAG measures it (relative luminance), and the control colour
// that keeps the counter and the icons readable on whatever panel colour a publisher chose.
class Contrast {
	public static inline var TEXT = 4.5; // the counter, the field and the menu's captions
	public static inline var ICON = 3.0; // the buttons' symbols

	static function channel(value:Int):Float {
		var s = value / 255;
		return s <= 0.04045 ? s / 12.92 : Math.pow((s + 0.055) / 1.055, 2.4);
	}

	public static function luminance(rgb:Int):Float {
		return 0.2126 * channel((rgb >> 16) & 0xff) + 0.7152 * channel((rgb >> 8) & 0xff) + 0.0722 * channel(rgb & 0xff);
	}

	public static function ratio(a:Int, b:Int):Float {
		var la = luminance(a), lb = luminance(b);
		return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05);
	}

	// The colour asked for where it stands out from the background by `least`; otherwise black or white,
	// whichever stands out more (one of them always reaches 4.5:1). The background is never changed:
	// it is the publisher's brand.
	public static function readable(wanted:Int, background:Int, least:Float):Int {
		if (ratio(wanted, background) >= least)
			return wanted;
		return ratio(0x000000, background) >= ratio(0xffffff, background) ? 0x000000 : 0xffffff;
	}
}
