#!/usr/bin/python3
"""Turns the control's resource script into C++ data for builds without a resource compiler.

Reads the subset of the resource-script language that qarnedit.rc uses: #define ids from
resource.h, STRINGTABLE, MENU with POPUP, MENUITEM and SEPARATOR, and DIALOG / DIALOGEX
templates with their controls. Anything else in the script (icons, bitmaps) is skipped,
so the Windows build can add resources that only windres needs.
"""
import re
import sys


def parse_defines(path):
    ids = {}
    for line in open(path, encoding="utf-8"):
        m = re.match(r"\s*#define\s+(\w+)\s+(\d+)", line)
        if m:
            ids[m.group(1)] = int(m.group(2))
    return ids


TOKEN = re.compile(r'"(?:[^"]|"")*"|[A-Za-z_][\w]*|\d+|,|[{}]|\S')


def tokens(text):
    text = re.sub(r"//[^\n]*", "", text)
    text = "\n".join(l for l in text.splitlines() if not l.lstrip().startswith("#"))
    return TOKEN.findall(text)


def unquote(tok):
    assert tok.startswith('"'), tok
    body = tok[1:-1].replace('""', '"')
    return body.replace("\\t", "\t").replace("\\n", "\n")


def number(tok, ids):
    if tok.isdigit():
        return int(tok)
    if tok.startswith("-") and tok[1:].isdigit():
        return int(tok)
    if tok in ids:
        return ids[tok]
    raise SystemExit(f"unknown resource id {tok}")


def parse(rc_path, ids):
    toks = tokens(open(rc_path, encoding="utf-8").read())
    strings, menus, dialogs = [], [], []
    i = 0

    def expect_begin(j):
        if toks[j] not in ("BEGIN", "{"):
            raise SystemExit(f"expected BEGIN at token {j}: {toks[j]}")
        return j + 1

    def is_end(t):
        return t in ("END", "}")

    while i < len(toks):
        t = toks[i]
        if t == "STRINGTABLE":
            i += 1
            while toks[i] not in ("BEGIN", "{"):
                i += 1
            i = expect_begin(i)
            while not is_end(toks[i]):
                sid = number(toks[i], ids)
                i += 1
                if toks[i] == ",":
                    i += 1
                strings.append((sid, unquote(toks[i])))
                i += 1
            i += 1
        elif i + 1 < len(toks) and toks[i + 1] == "MENU":
            menu_id = number(t, ids)
            i = expect_begin(i + 2)
            popups = []
            while not is_end(toks[i]):
                if toks[i] != "POPUP":
                    raise SystemExit(f"only popups are expected at the top of a menu, got {toks[i]}")
                title = unquote(toks[i + 1])
                i = expect_begin(i + 2)
                items = []
                while not is_end(toks[i]):
                    if toks[i] != "MENUITEM":
                        raise SystemExit(f"nested popups are not supported: {toks[i]}")
                    if toks[i + 1] == "SEPARATOR":
                        items.append((0, "", []))
                        i += 2
                        continue
                    text = unquote(toks[i + 1])
                    i += 3  # MENUITEM "text" ,
                    item_id = number(toks[i], ids)
                    i += 1
                    flags = []
                    while toks[i] == ",":
                        flags.append(toks[i + 1])
                        i += 2
                    items.append((item_id, text, flags))
                i += 1
                popups.append((title, items))
            i += 1
            menus.append((menu_id, popups))
        elif i + 1 < len(toks) and toks[i + 1] in ("DIALOG", "DIALOGEX"):
            dialog, i = parse_dialog(toks, i, ids)
            dialogs.append(dialog)
        else:
            i += 1
    return strings, menus, dialogs


# The window-style constants the templates use, as winuser.h defines them.
STYLES = {
    "WS_OVERLAPPED": 0x00000000, "WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000,
    "WS_DISABLED": 0x08000000, "WS_CAPTION": 0x00C00000, "WS_BORDER": 0x00800000, "WS_DLGFRAME": 0x00400000,
    "WS_VSCROLL": 0x00200000, "WS_HSCROLL": 0x00100000, "WS_SYSMENU": 0x00080000, "WS_GROUP": 0x00020000,
    "WS_TABSTOP": 0x00010000,
    "DS_MODALFRAME": 0x80, "DS_SETFONT": 0x40, "DS_3DLOOK": 0x4, "DS_CONTROL": 0x400, "DS_CENTER": 0x800,
    "BS_PUSHBUTTON": 0x0, "BS_DEFPUSHBUTTON": 0x1, "BS_CHECKBOX": 0x2, "BS_AUTOCHECKBOX": 0x3,
    "BS_GROUPBOX": 0x7, "BS_AUTORADIOBUTTON": 0x9,
    "ES_LEFT": 0x0, "ES_AUTOHSCROLL": 0x80, "ES_NUMBER": 0x2000,
    "SS_LEFT": 0x0, "SS_CENTER": 0x1, "SS_RIGHT": 0x2, "SS_ICON": 0x3, "SS_GRAYRECT": 0x5, "SS_NOPREFIX": 0x80,
    "CBS_SIMPLE": 0x1, "CBS_DROPDOWN": 0x2, "CBS_DROPDOWNLIST": 0x3, "CBS_SORT": 0x100,
}
WS_CHILD_VISIBLE = STYLES["WS_CHILD"] | STYLES["WS_VISIBLE"]

# Statement -> (window class, default style, has text), as the resource compiler expands them.
CONTROL_STATEMENTS = {
    "LTEXT": ("Static", STYLES["SS_LEFT"] | STYLES["WS_GROUP"], True),
    "CTEXT": ("Static", STYLES["SS_CENTER"] | STYLES["WS_GROUP"], True),
    "RTEXT": ("Static", STYLES["SS_RIGHT"] | STYLES["WS_GROUP"], True),
    "PUSHBUTTON": ("Button", STYLES["BS_PUSHBUTTON"] | STYLES["WS_TABSTOP"], True),
    "DEFPUSHBUTTON": ("Button", STYLES["BS_DEFPUSHBUTTON"] | STYLES["WS_TABSTOP"], True),
    "GROUPBOX": ("Button", STYLES["BS_GROUPBOX"], True),
    "EDITTEXT": ("Edit", STYLES["ES_LEFT"] | STYLES["WS_BORDER"] | STYLES["WS_TABSTOP"], False),
    "COMBOBOX": ("ComboBox", STYLES["CBS_SIMPLE"] | STYLES["WS_TABSTOP"], False),
}


def parse_style(toks, i, ids):
    """An expression of ORed constants (NOT removes one); returns (value, next index)."""
    value, negate = 0, False
    while True:
        t = toks[i]
        if t == "NOT":
            negate = True
            i += 1
            continue
        bits = STYLES[t] if t in STYLES else number(t, ids)
        value = (value & ~bits) if negate else (value | bits)
        negate = False
        i += 1
        if i < len(toks) and toks[i] == "|":
            i += 1
            continue
        return value, i


def parse_numbers(toks, i, ids, count):
    """count comma-separated numbers starting at i; returns (list, next index)."""
    values = []
    for k in range(count):
        if k:
            if toks[i] != ",":
                raise SystemExit(f"expected ',' at token {i}: {toks[i]}")
            i += 1
        neg = toks[i] == "-"
        if neg:
            i += 1
        values.append(-number(toks[i], ids) if neg else number(toks[i], ids))
        i += 1
    return values, i


def parse_control(toks, i, ids):
    kind = toks[i]
    i += 1
    if kind == "CONTROL":
        text = unquote(toks[i]) if toks[i].startswith('"') else str(number(toks[i], ids))
        (cid,), i = parse_numbers(toks, i + 2, ids, 1)
        cls = unquote(toks[i + 1])
        style, i = parse_style(toks, i + 3, ids)
        rect, i = parse_numbers(toks, i + 1, ids, 4)
        return (cid, cls, text, rect, style | WS_CHILD_VISIBLE), i
    if kind == "ICON":
        text = unquote(toks[i]) if toks[i].startswith('"') else "#%d" % number(toks[i], ids)
        (cid, x, y), i = parse_numbers(toks, i + 2, ids, 3)
        rect = [x, y, 0, 0]
        style = STYLES["SS_ICON"]
        if toks[i] == ",":
            (cx, cy), i = parse_numbers(toks, i + 1, ids, 2)
            rect = [x, y, cx, cy]
            if toks[i] == ",":
                extra, i = parse_style(toks, i + 1, ids)
                style |= extra
        return (cid, "Static", text, rect, style | WS_CHILD_VISIBLE), i
    if kind not in CONTROL_STATEMENTS:
        raise SystemExit(f"unsupported dialog control statement {kind}")
    cls, style, has_text = CONTROL_STATEMENTS[kind]
    text = ""
    if has_text:
        text = unquote(toks[i])
        i += 2
    values, i = parse_numbers(toks, i, ids, 5)
    if toks[i] == ",":
        extra, i = parse_style(toks, i + 1, ids)
        style |= extra
    return (values[0], cls, text, values[1:], style | WS_CHILD_VISIBLE), i


def parse_dialog(toks, i, ids):
    dialog_id = number(toks[i], ids)
    rect, i = parse_numbers(toks, i + 2, ids, 4)
    style, style_given, caption, font = 0, False, "", ("", 0)
    while toks[i] not in ("BEGIN", "{"):
        t = toks[i]
        if t == "STYLE":
            style, i = parse_style(toks, i + 1, ids)
            style_given = True
        elif t == "CAPTION":
            caption = unquote(toks[i + 1])
            i += 2
        elif t == "FONT":
            (size,), i = parse_numbers(toks, i + 1, ids, 1)
            font = (unquote(toks[i + 1]), size)
            i += 2
            while toks[i] == ",":  # weight, italic, charset of DIALOGEX
                i += 2
        else:
            raise SystemExit(f"unsupported dialog option {t}")
    if not style_given:
        style = STYLES["WS_POPUP"] | STYLES["WS_BORDER"] | STYLES["WS_SYSMENU"]
    if caption:
        style |= STYLES["WS_CAPTION"]
    if font[0]:
        style |= STYLES["DS_SETFONT"]
    i += 1
    controls = []
    while toks[i] not in ("END", "}"):
        control, i = parse_control(toks, i, ids)
        controls.append(control)
    return (dialog_id, caption, font, rect, style, controls), i + 1


def c_string(text):
    out = []
    for b in text.encode("utf-8"):
        ch = chr(b)
        if ch in '"\\':
            out.append("\\" + ch)
        elif 32 <= b < 127:
            out.append(ch)
        else:
            out.append("\\%03o" % b)
    return '"' + "".join(out) + '"'


# MF_GRAYED, MF_DISABLED and MF_CHECKED, written as numbers: the data needs no Windows header.
FLAG_VALUES = {"GRAYED": 0x1, "INACTIVE": 0x2, "CHECKED": 0x8}


def emit_dialogs(dialogs):
    lines = []
    refs = []
    for dialog_id, caption, (face, size), rect, style, controls in dialogs:
        name = f"kDialog{dialog_id}Controls"
        if controls:
            lines.append(f"const ResourceDialogControl {name}[] = {{")
            for cid, cls, text, (x, y, cx, cy), cstyle in controls:
                lines.append(f"    {{{cid}, {c_string(cls)}, {c_string(text)}, {x}, {y}, {cx}, {cy}, 0x{cstyle:08X}u}},")
            lines.append("};")
        x, y, cx, cy = rect
        refs.append(f"    {{{dialog_id}, {c_string(caption)}, {c_string(face)}, {size}, {x}, {y}, {cx}, {cy}, "
                    f"0x{style:08X}u, {name if controls else 'nullptr'}, {len(controls)}}},")
    if refs:
        lines.append("const ResourceDialog kDialogs[] = {")
        lines += refs
        lines.append("};")
        lines.append("const ResourceDialogTable kDialogTable = {kDialogs, sizeof(kDialogs) / sizeof(kDialogs[0])};")
    else:
        lines.append("const ResourceDialogTable kDialogTable = {nullptr, 0};")
    return lines


def emit(strings, menus, dialogs, out_path):
    lines = [
        "// Generated from qarnedit.rc by gen_resource_data.py; edit the script, not this file.",
        '#include "resources/resource_data.h"',
        '#include "resources/resource_dialogs.h"',
        "",
        "namespace {",
        "const ResourceString kStrings[] = {",
    ]
    for sid, text in strings:
        lines.append(f"    {{{sid}, {c_string(text)}}},")
    lines.append("};")
    menu_defs = []
    for menu_id, popups in menus:
        popup_refs = []
        for p, (title, items) in enumerate(popups):
            name = f"kMenu{menu_id}Popup{p}"
            lines.append(f"const ResourceMenuItem {name}[] = {{")
            for item_id, text, flags in items:
                bits = 0
                for x in flags:
                    bits |= FLAG_VALUES.get(x, 0)
                f = f"0x{bits:X}" if bits else "0"
                lines.append(f"    {{{item_id}, {c_string(text)}, {f}}},")
            lines.append("};")
            popup_refs.append(f"{{{c_string(title)}, {name}, {len(items)}}}")
        lines.append(f"const ResourcePopup kMenu{menu_id}[] = {{{', '.join(popup_refs)}}};")
        menu_defs.append(f"{{{menu_id}, kMenu{menu_id}, {len(popups)}}}")
    lines.append(f"const ResourceMenu kMenus[] = {{{', '.join(menu_defs)}}};")
    lines += emit_dialogs(dialogs)
    lines += [
        'const ModuleResources kResources = {"QARNEDIT", kStrings, sizeof(kStrings) / sizeof(kStrings[0]),',
        "                                    kMenus, sizeof(kMenus) / sizeof(kMenus[0]), &kDialogTable};",
        "}  // namespace",
        "",
        "const ModuleResources& QarneditModuleResources() { return kResources; }",
        "",
        "const ResourceDialogTable& QarneditDialogResources() { return kDialogTable; }",
        "",
        "const ResourceDialog* QarneditFindDialog(UINT id) {",
        "  for (int i = 0; i < kDialogTable.count; ++i)",
        "    if (kDialogTable.dialogs[i].id == id) return &kDialogTable.dialogs[i];",
        "  return nullptr;",
        "}",
        "",
    ]
    open(out_path, "w", encoding="utf-8").write("\n".join(lines))


if __name__ == "__main__":
    rc, header, out = sys.argv[1:4]
    ids = parse_defines(header)
    strings, menus, dialogs = parse(rc, ids)
    emit(strings, menus, dialogs, out)
