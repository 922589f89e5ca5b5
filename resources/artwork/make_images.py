#!/usr/bin/python3
"""Draws VAZUV's icons, splash image, logo and waiting animation into resources/images/.

All artwork is drawn here from simple shapes; run it again after changing a drawing:
    /usr/bin/python3 resources/artwork/make_images.py
Needs python3-pil and the DejaVu fonts (fonts-dejavu-core).
"""
import math
import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "images")
S = 128  # icons are drawn at 128 px and scaled down by the program
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

BLUE = (33, 102, 172)
TEAL = (0, 133, 130)
ORANGE = (230, 126, 34)
RED = (192, 57, 43)
GREY = (90, 98, 110)
LIGHT = (236, 240, 244)
WHITE = (255, 255, 255)
GREEN = (39, 174, 96)


def canvas(size=S):
    return Image.new("RGBA", (size, size), (0, 0, 0, 0))


def tile(d, colour):
    d.rounded_rectangle([6, 6, S - 7, S - 7], radius=22, fill=colour)


def save(img, name):
    img.save(os.path.join(OUT, name))


def gear(d, cx, cy, r, teeth, colour, hole):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4)
        rr = r if (i // 2) % 2 == 0 else r * 0.78
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    d.polygon(pts, fill=colour)
    d.ellipse([cx - hole, cy - hole, cx + hole, cy + hole], fill=BLUE)


def icon_system_set():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, BLUE)
    gear(d, 64, 64, 44, 8, WHITE, 14)
    save(img, "SystemSet.png")


def icon_channel_config():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, TEAL)
    for row in range(4):
        y = 26 + row * 20
        d.rectangle([24, y, 104, y + 14], fill=WHITE)
        d.rectangle([24, y, 44, y + 14], fill=LIGHT)
        d.ellipse([30, y + 3, 38, y + 11], fill=ORANGE)
    save(img, "ChannelConfig.png")


def icon_acquisition_devices():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, GREY)
    d.rounded_rectangle([20, 30, 108, 98], radius=8, fill=WHITE)
    d.rectangle([28, 38, 78, 62], fill=(40, 60, 80))
    d.line([30, 56, 42, 46, 52, 52, 62, 42, 76, 48], fill=GREEN, width=3)
    for i in range(6):
        d.ellipse([30 + i * 12, 74, 38 + i * 12, 82], fill=ORANGE)
    d.rectangle([86, 40, 100, 46], fill=GREEN)
    d.rectangle([86, 52, 100, 58], fill=RED)
    save(img, "AcquisitionDevices.png")


def icon_data_validation():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, ORANGE)
    # thermometer
    d.rounded_rectangle([44, 18, 64, 86], radius=10, fill=WHITE)
    d.ellipse([36, 76, 72, 112], fill=WHITE)
    d.rectangle([50, 40, 58, 90], fill=RED)
    d.ellipse([42, 82, 66, 106], fill=RED)
    # tick marks and a check
    for i in range(4):
        d.line([70, 28 + i * 12, 80, 28 + i * 12], fill=WHITE, width=3)
    d.line([78, 84, 90, 96, 110, 70], fill=WHITE, width=7)
    save(img, "DataValidation.png")


def icon_parameters():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, (52, 73, 94))
    d.line([22, 104, 22, 22], fill=WHITE, width=4)
    d.line([22, 104, 106, 104], fill=WHITE, width=4)
    pts = [(22 + i * 4, 70 - 26 * math.sin(i / 3.2)) for i in range(22)]
    d.line(pts, fill=(46, 204, 113), width=5)
    pts = [(22 + i * 4, 84 - 12 * math.cos(i / 2.5)) for i in range(22)]
    d.line(pts, fill=ORANGE, width=5)
    save(img, "Parameters.png")


def document(d, colour):
    d.polygon([(30, 16), (80, 16), (100, 36), (100, 112), (30, 112)], fill=WHITE)
    d.polygon([(80, 16), (80, 36), (100, 36)], fill=LIGHT)
    for i in range(4):
        d.line([40, 50 + i * 14, 90, 50 + i * 14], fill=colour, width=4)


def icon_validation_report():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, (142, 68, 173))
    document(d, (142, 68, 173))
    save(img, "ValidationReport.png")


def icon_audit_log():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, (211, 84, 0))
    # bell
    d.pieslice([30, 22, 98, 90], 180, 360, fill=WHITE)
    d.rectangle([30, 56, 98, 84], fill=WHITE)
    d.rectangle([22, 84, 106, 94], fill=WHITE)
    d.ellipse([54, 94, 74, 112], fill=WHITE)
    save(img, "AuditLog.png")


def icon_download_log():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, TEAL)
    d.rectangle([54, 18, 74, 64], fill=WHITE)
    d.polygon([(34, 60), (94, 60), (64, 94)], fill=WHITE)
    d.rectangle([24, 100, 104, 110], fill=WHITE)
    save(img, "DownloadLog.png")


def icon_log_delete():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, RED)
    d.rectangle([30, 30, 98, 40], fill=WHITE)
    d.rectangle([52, 20, 76, 30], fill=WHITE)
    d.polygon([(36, 44), (92, 44), (86, 110), (42, 110)], fill=WHITE)
    for x in (52, 64, 76):
        d.line([x, 54, x, 100], fill=RED, width=4)
    save(img, "LogDelete.png")


def icon_log_set():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, GREY)
    for i, knob in enumerate((40, 80, 56)):
        y = 34 + i * 30
        d.line([24, y, 104, y], fill=WHITE, width=6)
        d.ellipse([knob - 10, y - 10, knob + 10, y + 10], fill=ORANGE, outline=WHITE, width=3)
    save(img, "LogSet.png")


def icon_help():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, GREEN)
    d.ellipse([20, 20, 108, 108], outline=WHITE, width=8)
    font = ImageFont.truetype(FONT, 64)
    d.text((64, 66), "?", font=font, fill=WHITE, anchor="mm")
    save(img, "Help.png")


def icon_message():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, BLUE)
    d.rectangle([18, 34, 110, 96], fill=WHITE)
    d.line([18, 34, 64, 70, 110, 34], fill=BLUE, width=6)
    save(img, "Message.png")


def icon_about_us():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, TEAL)
    d.ellipse([20, 20, 108, 108], outline=WHITE, width=8)
    d.ellipse([58, 36, 70, 48], fill=WHITE)
    d.rectangle([58, 56, 70, 92], fill=WHITE)
    save(img, "AboutUs.png")


def icon_import():
    img = canvas(); d = ImageDraw.Draw(img); tile(d, (41, 128, 185))
    document(d, (41, 128, 185))
    d.rectangle([8, 58, 52, 70], fill=ORANGE)
    d.polygon([(48, 46), (70, 64), (48, 82)], fill=ORANGE)
    save(img, "Import.png")


def checkboxes():
    for name, checked in (("Checkbox_checked.png", True), ("Checkbox_unchecked.png", False)):
        img = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        d.rounded_rectangle([6, 6, 57, 57], radius=8, fill=WHITE, outline=GREY, width=5)
        if checked:
            d.rounded_rectangle([6, 6, 57, 57], radius=8, fill=BLUE, outline=BLUE, width=5)
            d.line([16, 33, 28, 45, 48, 19], fill=WHITE, width=8)
        img.resize((16, 16), Image.LANCZOS).save(os.path.join(OUT, name))


def mark(size):
    """The program's mark: a rising curve over three channel bars."""
    img = canvas(S); d = ImageDraw.Draw(img)
    d.rounded_rectangle([4, 4, S - 5, S - 5], radius=26, fill=BLUE)
    for i, h in enumerate((40, 62, 84)):
        d.rectangle([22 + i * 30, 108 - h, 42 + i * 30, 108], fill=(255, 255, 255, 200))
    pts = [(16 + i * 6, 92 - 60 * (1 - math.exp(-i / 5))) for i in range(17)]
    d.line(pts, fill=ORANGE, width=9, joint="curve")
    return img.resize((size, size), Image.LANCZOS)


def program_icon():
    big = mark(256)
    big.save(os.path.join(OUT, "Halvoran.ico"), sizes=[(16, 16), (32, 32), (48, 48), (64, 64), (128, 128), (256, 256)])


def logo():
    img = Image.new("RGBA", (450, 171), WHITE)
    img.paste(mark(140), (14, 16), mark(140))
    d = ImageDraw.Draw(img)
    d.text((172, 54), "VAZUV", font=ImageFont.truetype(FONT, 64), fill=BLUE, anchor="lm")
    d.text((174, 112), "temperature data acquisition", font=ImageFont.truetype(FONT, 19),
           fill=GREY, anchor="lm")
    img.convert("RGB").save(os.path.join(OUT, "Logo.png"))


def splash():
    w, h = 640, 360
    img = Image.new("RGB", (w, h), (20, 40, 70))
    d = ImageDraw.Draw(img)
    for y in range(h):  # vertical gradient
        t = y / h
        d.line([0, y, w, y], fill=(int(20 + 20 * t), int(40 + 50 * t), int(70 + 70 * t)))
    for x in range(0, w, 40):
        d.line([x, 0, x, h], fill=(255, 255, 255, 30), width=1)
    for y in range(0, h, 40):
        d.line([0, y, w, y], fill=(60, 90, 120), width=1)
    colours = [(46, 204, 113), ORANGE, (93, 173, 226)]
    for k, c in enumerate(colours):
        pts = [(x, 250 - k * 30 - 60 * (1 - math.exp(-x / 160)) + 8 * math.sin(x / 23 + k))
               for x in range(0, w, 4)]
        d.line(pts, fill=c, width=4)
    img.paste(mark(120), (40, 40), mark(120))
    d.text((180, 78), "VAZUV", font=ImageFont.truetype(FONT, 72), fill=WHITE, anchor="lm")
    # The subtitle keeps a margin to the right edge: the largest size up to 20 that fits.
    subtitle = "Multi-channel temperature data acquisition"
    size = 20
    while size > 8 and d.textlength(subtitle, font=ImageFont.truetype(FONT, size)) > w - 184 - 24:
        size -= 1
    d.text((184, 136), subtitle, font=ImageFont.truetype(FONT, size), fill=LIGHT, anchor="lm")
    d.text((w - 20, h - 20), "V1.2.13", font=ImageFont.truetype(FONT, 16), fill=LIGHT, anchor="rs")
    img.save(os.path.join(OUT, "Open.png"))


def waiting():
    frames = []
    n = 12
    for f in range(n):
        img = Image.new("RGB", (48, 48), WHITE)
        d = ImageDraw.Draw(img)
        for i in range(n):
            a = 2 * math.pi * i / n
            shade = ((i - f) % n) / n  # the head of the ring is darkest
            c = tuple(int(v + (255 - v) * shade) for v in BLUE)
            x, y = 24 + 16 * math.cos(a), 24 + 16 * math.sin(a)
            d.ellipse([x - 4, y - 4, x + 4, y + 4], fill=c)
        frames.append(img.convert("P", palette=Image.ADAPTIVE, colors=32))
    frames[0].save(os.path.join(OUT, "wait.gif"), save_all=True, append_images=frames[1:],
                   duration=80, loop=0)


def main():
    os.makedirs(OUT, exist_ok=True)
    for f in (icon_system_set, icon_channel_config, icon_acquisition_devices,
              icon_data_validation, icon_parameters, icon_validation_report, icon_audit_log,
              icon_download_log, icon_log_delete, icon_log_set, icon_help, icon_message,
              icon_about_us, icon_import, checkboxes, program_icon, logo, splash, waiting):
        f()


if __name__ == "__main__":
    main()
