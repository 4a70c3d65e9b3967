"""The skin set of both clients: every picture, icon and sound the programs
load from the folder "Resource" beside them, with the size and format each
one must have.

This table is the single source: make_skin.py paints what it lists,
check_skin.py verifies what make_skin.py produced against it, and the build
reads the list of outputs from it (python3 skin_manifest.py --list).

Each entry says:
  path     the file below the output folder, with "/" as separator; the
           programs name the same file with backslashes (the Windows file
           system does not distinguish case, so "comm" and "Comm" are one
           folder; the files are generated once, under "Comm").
  fmt      bmp (24-bit BMP), png (RGB PNG), rgba (PNG with alpha),
           gif (one frame), agif (animated GIF), ico, wav.
  size     (width, height) in pixels; for ico the list of image sizes.
  key      the colour the program treats as transparent, or None:
           "magenta" 0xFF00FF (skinned buttons, drawn with TransparentBlt),
           "white" 0xFFFFFF (image-list masks and button icons),
           "red" 0xFF0000 (the hand-over agent list's mask).
           A keyed picture has the key in its corners and nowhere inside
           what it shows.
  paint    (painter, arguments): how make_skin.py draws it.
  clients  which programs load it: "desk" (Tavrel), "im" (IM).
  use      where the program shows it (why it has this size).
"""

import json
import sys

BOTH = ("desk", "im")
DESK = ("desk",)
IM = ("im",)

ENTRIES = []


def add(path, fmt, size, paint, clients=BOTH, key=None, use="", **extra):
    entry = {"path": path, "fmt": fmt, "size": size, "key": key,
             "paint": paint, "clients": clients, "use": use}
    entry.update(extra)
    ENTRIES.append(entry)


def add_states(folder, stem, sep, numbers, size, text, style, clients=BOTH,
               use="", ext="bmp", fmt="bmp", glyph=None):
    """A skinned button's state pictures: normal, hover, pressed (the
    programs reuse the normal picture as the disabled one)."""
    for state, number in enumerate(numbers):
        add("%s/%s%s%s.%s" % (folder, stem, sep, number, ext), fmt, size,
            ("button", {"text": text, "style": style, "state": state,
                        "glyph": glyph}),
            clients=clients, key="magenta", use=use)


# --------------------------------------------------------------------------
# Common frame skin, loaded by every panel of both clients.
COMM = "Resource/Comm"
add(COMM + "/frame_top_title.bmp", "bmp", (8, 28), ("band", {"band": "caption"}),
    use="caption strip, tiled over the top 28 pixels of every panel; white and dark titles are drawn on it")
add(COMM + "/frame_bottom.bmp", "bmp", (8, 28), ("band", {"band": "bottom"}),
    use="bottom bar, tiled over the last 28 pixels; its first row is also tiled alone as a separator line")
add(COMM + "/resize.bmp", "bmp", (13, 13), ("grip", {}),
    use="size grip at (w-13, h-13), drawn over the bottom bar's lower right corner")
add(COMM + "/logo32.ico", "ico", [16, 32], ("icon", {"glyph": "logo"}),
    use="program icon of every panel, drawn at 16x16 and 24x24")

for stem, size, glyph in (("min", (22, 18), "min"), ("max", (21, 18), "max"),
                          ("close", (29, 18), "close")):
    for state in range(3):
        add("%s/btn/%s%02d.bmp" % (COMM, stem, state + 1), "bmp", size,
            ("caption_button", {"glyph": glyph, "state": state}), key="magenta",
            use="caption button %s on the caption strip (normal, hover, pressed)" % stem)

for stem, text in (("sure", "确定"), ("cancel", "取消"), ("apply", "应用")):
    add_states(COMM + "/btn", stem, "_", ("01", "02", "03"), (49, 21), text,
               "primary" if stem == "sure" else "plain",
               use="dialog button, 49x21 like the settings panel's OK/Cancel/Apply")

SCROLL = COMM + "/Scroll"
for name, size, role in (
        ("Hscrolled_arrow_left", (17, 17), "arrow_left"),
        ("Hscrolled_arrow_right", (17, 17), "arrow_right"),
        ("Hscrolled_slider_center", (8, 17), "grip_h"),
        ("Hscrolled_slider_left", (3, 17), "thumb_left"),
        ("Hscrolled_slider_middle", (4, 17), "thumb_hmid"),
        ("Hscrolled_slider_right", (3, 17), "thumb_right"),
        ("Hscrolled_trough", (4, 17), "trough_h"),
        ("Vscrolled_arrow_down", (17, 17), "arrow_down"),
        ("Vscrolled_arrow_up_over", (17, 17), "arrow_up"),
        ("Vscrolled_slider_bottom", (17, 3), "thumb_bottom"),
        ("Vscrolled_slider_center", (17, 8), "grip_v"),
        ("Vscrolled_slider_middle", (17, 4), "thumb_vmid"),
        ("Vscrolled_slider_top", (17, 3), "thumb_top"),
        ("Vscrolled_trough", (17, 4), "trough_v")):
    add("%s/%s.bmp" % (SCROLL, name), "bmp", size, ("scroll", {"role": role}),
        use="skinned scroll bar piece; arrows and trough are stretched, caps and grip drawn at their own size")

SEARCH = COMM + "/search"
add(SEARCH + "/left.bmp", "bmp", (3, 22), ("search_field", {"piece": "left"}),
    use="search box left cap at (0, 0)")
add(SEARCH + "/right.bmp", "bmp", (3, 22), ("search_field", {"piece": "right"}),
    use="search box right cap at (width-3, 0)")
add(SEARCH + "/mid.bmp", "bmp", (8, 22), ("search_field", {"piece": "mid"}),
    use="search box middle, tiled from x=3 to width-3")
add(SEARCH + "/search.bmp", "bmp", (12, 12), ("search_field", {"piece": "search"}),
    use="search mark, copied (SRCCOPY) onto the white field: the messenger at (5, 5)")
add(SEARCH + "/close.bmp", "bmp", (12, 12), ("search_field", {"piece": "close"}),
    use="clear button, copied onto the white field while the box holds text")

# --------------------------------------------------------------------------
# Log-on panel.
add("Resource/LogonPanel/advert.bmp", "bmp", (347, 99), ("advert", {}),
    use="banner of the log-on panel, static picture at (9, 36), 347x99")
add_states("Resource/LogonPanel/btn", "login", "", ("01", "02", "03"), (89, 66),
           "登 录", "primary_big", use="log-on button, 89x66")

# --------------------------------------------------------------------------
# Conversation window (desk) and chat window (messenger).
CHAT = "Resource/chat"
add(CHAT + "/frame_chat_panel_line_2.bmp", "bmp", (8, 68), ("band", {"band": "header68"}),
    use="messenger chat window header band (0, 28)-(w, 96); the peer's name is drawn on it in navy")
add(CHAT + "/Tavrel_frame_chat_panel_line_2.bmp", "bmp", (8, 52), ("band", {"band": "header52"}),
    clients=DESK, use="desk conversation window top bar (0, 0)-(w, 52)")
add(CHAT + "/frame_chat_panel_line_3.bmp", "bmp", (8, 28), ("band", {"band": "toolrow"}),
    use="tool-row band between chat log and input, 28 high")
add(CHAT + "/chat_main_bar_bk.bmp", "bmp", (8, 28), ("band", {"band": "toolrow"}),
    use="tool-bar band (0, H-144)-(W, H-116), 28 high")
add(CHAT + "/sendingBmp.gif", "agif", (32, 32), ("spinner", {}), frames=8,
    use="placeholder shown in the chat log while a picture downloads (animated)")
add(CHAT + "/errorBmp.gif", "gif", (48, 48), ("broken_picture", {}),
    use="placeholder shown in history views for a picture whose file is missing")
for n in (1, 2):
    add("%s/InputAnimate16_%d.png" % (CHAT, n), "rgba", (16, 16),
        ("typing", {"frame": n - 1}), clients=IM,
        use="typing mark at (130, 5) on the caption strip, two alternating frames")

add("Resource/MainPanel/frame_main_panel_line_2.bmp", "bmp", (8, 68), ("band", {"band": "header68"}),
    clients=IM, use="messenger main window header band (0, 28)-(w, 96): own face, status, name and signature")

CHATBTN = CHAT + "/btn"
for stem, size, text, style, glyph in (
        ("setFont", (50, 21), "字体", "plain", "font"),
        ("setEmo", (50, 21), "表情", "plain", "smile"),
        ("sendPic", (50, 21), "图片", "plain", "picture"),
        ("screenshot", (50, 21), "截图", "plain", "scissors"),
        ("showMsg", (70, 21), "消息记录", "plain", "clock"),
        ("close", (54, 21), "关闭", "plain", None),
        ("send", (51, 21), "发送", "primary_left", None),
        ("list", (19, 21), "", "primary_right", "down"),
        ("sendFile", (53, 20), "发送文件", "plain", None)):
    add_states(CHATBTN, stem, "_", ("01", "02", "03"), size, text, style,
               glyph=glyph, use="conversation window tool button, %dx%d" % size)

add("Resource/Head/face_01.bmp", "bmp", (50, 50), ("face", {"size": 50, "gray": False}),
    use="face picture in the main window's header (area 53x51) and the chat header")

# --------------------------------------------------------------------------
# Desk program: hand-over buttons, lists, trees, quick replies.
TAV = "Resource/TavrelRes"
for stem, text in (("switch", "转接"), ("getline", "抢接"), ("back", "回接"),
                   ("stop", "中止转接"), ("break", "释放抢接")):
    add_states(TAV, stem, "_", ("01", "02", "03"), (53, 20), text, "plain",
               clients=DESK, use="hand-over button at (16, 30), 53x20")
add_states(TAV, "talk", "_", ("01", "02", "03"), (76, 20), "发起会话", "primary",
           clients=DESK, glyph="bubble", use="\"发起会话\" button at (20, 3), 76x20")
for stem, text in (("add", "添加"), ("modify", "修改"), ("delete", "删除"),
                   ("up", "上移"), ("down", "下移"), ("refresh", "刷新")):
    for state, number in enumerate(("01", "02")):
        add("%s/%s_%s.bmp" % (TAV, stem, number), "bmp", (40, 14),
            ("button", {"text": text, "style": "small", "state": state, "glyph": None}),
            clients=DESK, key="magenta",
            use="quick-reply button under the tree, 40x14 (_01 normal, _02 hover)")
add(TAV + "/leftPanel.top.bmp", "bmp", (8, 56), ("band", {"band": "leftpanel"}),
    clients=DESK, use="chat view top left (0, 0)-(200, 56): status area on rows 6-24, search box on rows 28-50")
for index in range(8):
    kind = index // 2
    add("%s/listType_%02d.bmp" % (TAV, index), "bmp", (16, 16),
        ("tab_icon", {"kind": kind, "selected": index % 2 == 0}), clients=DESK, key="magenta",
        use="upper tab image %d: list kind %d, %s" % (index, kind,
                                                     "selected" if index % 2 == 0 else "not selected"))
for index, (who, selected) in enumerate((("agent", False), ("agent", True),
                                         ("customer", False), ("customer", True)), 1):
    add("%s/treeIcon_%d.bmp" % (TAV, index), "bmp", (16, 16),
        ("person", {"who": who, "selected": selected}), clients=DESK, key="white",
        use="organisation and registered-user trees, image %d (%s)" % (index - 1, who))
add(TAV + "/switchUser.bmp", "bmp", (44, 44), ("person_big", {"size": 44, "bg": "red"}),
    clients=DESK, key="red", use="one image per agent in the hand-over agent list, red mask")
add(TAV + "/switchIcon.bmp", "bmp", (40, 40), ("handover_icon", {}), clients=DESK,
    use="icon of the hand-over tip window at (5, 27), on white")
for number, opened in (("01", False), ("02", True)):
    add("%s/folder_%s.bmp" % (TAV, number), "bmp", (16, 13),
        ("folder", {"open": opened}), clients=DESK, key="white",
        use="tree image 16x13 (%s)" % ("selected node" if opened else "every node"))

add("Resource/Face/small/boy_0.bmp", "bmp", (16, 16), ("face", {"size": 16, "gray": False}),
    clients=DESK, key="white", use="desk face image list 16x16: online")
add("Resource/Face/small/boy_1.bmp", "bmp", (16, 16), ("face", {"size": 16, "gray": True}),
    clients=DESK, key="white", use="desk face image list 16x16: offline or invisible")
add("Resource/Face/0_0.bmp", "bmp", (40, 40), ("face", {"size": 40, "gray": False}),
    clients=IM, key="white", use="messenger face image list 40x40: online")
add("Resource/Face/0_1.bmp", "bmp", (40, 40), ("face", {"size": 40, "gray": True}),
    clients=IM, key="white", use="messenger face image list 40x40: offline or invisible")

# --------------------------------------------------------------------------
# Status marks and tray icons (0 online, 1 busy, 2 away, 3 do not disturb,
# 4 invisible, 5 offline).
STATUS = "Resource/Status"
for status in range(6):
    add("%s/status_%d.bmp" % (STATUS, status), "bmp", (11, 11),
        ("status_mark", {"status": status}), key="white",
        use="status image list 11x11, white mask; also drawn over faces")
add(STATUS + "/listDown.png", "rgba", (11, 11), ("list_down", {}),
    use="drop-down mark after the status; transparent pixels are white")
for status in range(6):
    add("%s/sysTray/sysTray_%d.ico" % (STATUS, status), "ico", [16, 32],
        ("icon", {"glyph": "tray", "status": status}),
        use="tray icon for status %d (tray image list 32x32)" % status)

# --------------------------------------------------------------------------
# History views (desk history tab and customer management, messenger
# history manager).
MSG = "Resource/msgMgr"
add(MSG + "/ToolBar.bmp", "bmp", (8, 27), ("band", {"band": "toolbar27"}),
    use="tool-bar band tiled over the top 27 pixels of the history views")
for number, glyph in (("01", "import"), ("02", "refresh"), ("03", "delete")):
    add("%s/ico%s.bmp" % (MSG, number), "bmp", (20, 20), ("tool_icon", {"glyph": glyph}),
        key="white", use="button icon in (0, 0, 20, 20), white key: %s" % glyph)
add(MSG + "/back_normal.png", "png", (16, 16), ("tool_icon", {"glyph": "back"}), key="white",
    use="icon of the \"返回\" button (caption at x=16), white key")
add_states(MSG, "search", "-", ("01", "02", "03"), (50, 20), "查找", "plain",
           glyph="magnifier", use="search button of the history manager")
for state, number in enumerate(("01", "02", "03")):
    add("%s/data-%s.bmp" % (MSG, number), "bmp", (22, 22),
        ("glyph_button", {"glyph": "calendar", "state": state}), key="magenta",
        use="date picker button, 22x22")
for stem, glyph in (("first", "first"), ("prew", "prev"), ("next", "next"), ("last", "last")):
    for state, number in enumerate(("01", "02", "03")):
        add("%s/%s-%s.bmp" % (MSG, stem, number), "bmp", (14, 14),
            ("glyph_button", {"glyph": glyph, "state": state}), key="magenta",
            use="pager button, 14x14")

# --------------------------------------------------------------------------
# Profile panel.
USER = "Resource/UserInfo"
add(USER + "/pic.bmp", "bmp", (96, 96), ("profile_pic", {"top": 40}),
    use="picture at (20, 40) over the panel's gradient (painted into the picture)")
add_states(USER, "refresh", "_", ("01", "02", "03"), (49, 20), "更新", "plain",
           use="profile \"更新\" button, 49x20")
add_states(USER, "apply", "_", ("01", "02", "03"), (49, 20), "应用", "plain",
           use="profile \"应用\" button, 49x20")
add_states(USER, "changepic", "_", ("01", "02", "03"), (70, 20), "更换头像", "plain",
           use="profile change-picture button")
add(USER + "/system.bmp", "bmp", (16, 16), ("tool_icon", {"glyph": "gear16"}), key="white",
    use="icon of the \"系统设置\" button (caption drawn beside it)")

# --------------------------------------------------------------------------
# Settings panel.
SYS = "Resource/System"
add(SYS + "/ico_setting.bmp", "bmp", (32, 32), ("settings_icon", {"top": 40}),
    use="settings icon at (140, 40) over the panel's gradient (painted into the picture)")
for stem, kind in (("choice_multi", "check"), ("choice_sigle", "radio")):
    for number, on in (("01", False), ("02", True)):
        add("%s/%s_%s.bmp" % (SYS, stem, number), "bmp", (16, 16),
            ("choice", {"kind": kind, "on": on}), key="white",
            use="option icon in (0, 0, 16, 16), white key (%s, %s)" % (kind, "on" if on else "off"))
for stem, text in (("addmes", "添加"), ("correct", "修改"), ("deletemes", "删除")):
    add_states(SYS, stem, "_", ("01", "02", "03"), (69, 21), text, "plain",
               use="reply list button, 69x21")

# --------------------------------------------------------------------------
# Tip bar above the chat log.
TIP = "Resource/tipWndbar"
add(TIP + "/tipWndbar000.png", "rgba", (16, 16), ("tip_icon", {}),
    use="tip bar icon at (2, 2), drawn with its alpha on 0xC5F9FF")
for n in (1, 2, 3):
    add("%s/tipWndBar_closeBtn_%d.png" % (TIP, n), "png", (16, 16),
        ("glyph_button", {"glyph": "x", "state": n - 1, "flat": True}), key="magenta",
        use="tip bar close button")

# --------------------------------------------------------------------------
# Sound.
add("Resource/Sound/msg.wav", "wav", None, ("chime", {}),
    use="new-message sound (PlaySoundW, SND_FILENAME)", rate=22050, seconds=0.42)


# --------------------------------------------------------------------------
# Pictures compiled into the programs (resource scripts), not installed in
# "Resource": generated into a separate folder so that they share the look.
RC_ENTRIES = []


def add_rc(path, fmt, size, paint, key=None, use=""):
    RC_ENTRIES.append({"path": path, "fmt": fmt, "size": size, "key": key,
                       "paint": paint, "clients": BOTH, "use": use})


add_rc("program.ico", "ico", [16, 32, 48], ("icon", {"glyph": "logo"}),
       use="icon resource 128: window icon of the programs")
add_rc("chat.ico", "ico", [16, 32], ("icon", {"glyph": "chat"}),
       use="icon resource 200: messenger chat window icon")
add_rc("tray_blink.ico", "ico", [16, 32], ("icon", {"glyph": "message"}),
       use="icon resource 201: tray icon alternating with the window icon for unread messages")
add_rc("noface.ico", "ico", [16, 32, 40], ("icon", {"glyph": "noface"}),
       use="icon resource 141: contact without a face icon")
add_rc("header_marks.bmp", "bmp", (48, 16), ("header_marks", {}), key="magenta",
       use="bitmap resource 137: 16-pixel header images; 12x12 box at (20, 3), 13x12 checked box at (36, 3)")
add_rc("group_closed.bmp", "bmp", (9, 9), ("group_mark", {"open": False}), key="white",
       use="bitmap resource 139: collapsed group, drawn with SRCAND")
add_rc("group_open.bmp", "bmp", (9, 9), ("group_mark", {"open": True}), key="white",
       use="bitmap resource 140: expanded group, drawn with SRCAND")


def main(argv):
    if len(argv) > 1 and argv[1] == "--list":
        for entry in ENTRIES:
            print(entry["path"])
        return 0
    if len(argv) > 1 and argv[1] == "--list-rc":
        for entry in RC_ENTRIES:
            print(entry["path"])
        return 0
    if len(argv) > 1 and argv[1] == "--json":
        json.dump({"skin": ENTRIES, "rc": RC_ENTRIES}, sys.stdout, ensure_ascii=False, indent=1)
        return 0
    print("usage: skin_manifest.py --list | --list-rc | --json", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
