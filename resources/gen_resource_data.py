#!/usr/bin/python3
"""Turns the control's resource script into C++ data for builds without a resource compiler.

Reads the subset of the resource-script language that qarnedit.rc uses: #define ids from
resource.h, STRINGTABLE and MENU with POPUP, MENUITEM and SEPARATOR. Anything else in the
script is skipped, so the Windows build can add resources that only windres needs.
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
    if tok in ids:
        return ids[tok]
    raise SystemExit(f"unknown resource id {tok}")


def parse(rc_path, ids):
    toks = tokens(open(rc_path, encoding="utf-8").read())
    strings, menus = [], []
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
        else:
            i += 1
    return strings, menus


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


FLAG_VALUES = {"GRAYED": "MF_GRAYED_RES", "INACTIVE": "MF_DISABLED_RES", "CHECKED": "MF_CHECKED_RES"}


def emit(strings, menus, out_path):
    lines = [
        "// Generated from qarnedit.rc by gen_resource_data.py; edit the script, not this file.",
        '#include "resources/resource_data.h"',
        "",
        "namespace {",
        "constexpr UINT MF_GRAYED_RES = 0x1, MF_DISABLED_RES = 0x2, MF_CHECKED_RES = 0x8;",
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
                f = " | ".join(FLAG_VALUES[x] for x in flags if x in FLAG_VALUES) or "0"
                lines.append(f"    {{{item_id}, {c_string(text)}, {f}}},")
            lines.append("};")
            popup_refs.append(f"{{{c_string(title)}, {name}, {len(items)}}}")
        lines.append(f"const ResourcePopup kMenu{menu_id}[] = {{{', '.join(popup_refs)}}};")
        menu_defs.append(f"{{{menu_id}, kMenu{menu_id}, {len(popups)}}}")
    lines.append(f"const ResourceMenu kMenus[] = {{{', '.join(menu_defs)}}};")
    lines += [
        'const ModuleResources kResources = {"QARNEDIT", kStrings, sizeof(kStrings) / sizeof(kStrings[0]),',
        "                                    kMenus, sizeof(kMenus) / sizeof(kMenus[0])};",
        "}  // namespace",
        "",
        "const ModuleResources& QarneditModuleResources() { return kResources; }",
        "",
    ]
    open(out_path, "w", encoding="utf-8").write("\n".join(lines))


if __name__ == "__main__":
    rc, header, out = sys.argv[1:4]
    ids = parse_defines(header)
    strings, menus = parse(rc, ids)
    emit(strings, menus, out)
