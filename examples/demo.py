#!/usr/bin/python3
"""A tour of the qarnedit control through the script host.

Creates the control and a reference host, shows the connection errors a container
gets, starts and ends edits, prints the events and every call the control made on
the host, persists the properties, and writes pictures of the control's caption
and of the host view to the output folder (default: ./out).
"""
import os
import struct
import sys

import qarnedit


class PrintingSink:
    def EditDone(self):
        print("  event EditDone")

    def EditAborted(self):
        print("  event EditAborted")

    def Snap(self, x, y):
        print(f"  event Snap({x:g}, {y:g})")
        return None

    def CaptionChanged(self, newCaption):
        print(f"  event CaptionChanged({newCaption!r})")


def show_calls(host, title):
    print(f"  host calls during {title}:")
    for line in host.call_log:
        print(f"    {line}")
    host.clear_calls()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "out"
    os.makedirs(out, exist_ok=True)
    qarnedit.desktop.on_menu = lambda popup: 0

    ctl = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    cookie = qarnedit.Advise(ctl, PrintingSink())
    print("Created QARNEDIT.QarneditCtrl.1")
    print(f"  penColor={ctl.penColor:#08x} fillStyle={ctl.fillStyle} isEditing={ctl.isEditing()}"
          f" canSaveNow={ctl.canSaveNow()} getDrawnNTT={ctl.getDrawnNTT()}")

    print("drawPolygon before the host is set:")
    ctl.drawPolygon()
    for text, caption, flags in qarnedit.desktop.message_boxes:
        print(f"  message box [{caption}] {text} (flags {flags:#x})")

    host = qarnedit.ReferenceHost(width=640, height=480)
    host.file_version = "3.0.0.1"
    host.variables["UTILS"] = "0"
    host.input_state = (4, 5, 6)
    ctl.qarnocx = host.dispatch
    ctl.FormatPolygonParams = "A=%.1f P=%.1f | "

    print("drawPolygon on a version 3 host, then a square clicked in the view:")
    ctl.drawPolygon()
    show_calls(host, "the start")
    print(f"  isEditing={ctl.isEditing()} UTILS={host.variables['UTILS']!r} input_state={host.input_state}")
    for x, y in ((200, 300), (400, 300), (400, 120), (200, 120)):
        host.move(x, y)
        host.press(x, y)
        host.release(x, y)
    print("  a stray click, taken back with undo, replayed with redo and taken back again:")
    host.press(520, 420)
    host.release(520, 420)
    print(f"    canUndo={ctl.canUndo} canRedo={ctl.canRedo}")
    print(f"    undo -> {ctl.undo()}; redo -> {ctl.redo()}; undo -> {ctl.undo()}")
    print(f"    canUndo={ctl.canUndo} canRedo={ctl.canRedo}")
    host.repaint()
    host.move(300, 200)  # the rubber band follows the pointer over the painted view
    host.save_png(os.path.join(out, "view.png"))
    qarnedit.DrawControl(ctl, 320, 32, os.path.join(out, "caption.png"))
    print(f"  wrote {out}/caption.png (the prompt with the measures) and {out}/view.png (the overlay and the rubber band)")
    print(f"  canSaveNow={ctl.canSaveNow()}; saveEdit -> {ctl.saveEdit()}")
    record = ctl.getDrawnNTT()
    header = qarnedit.memory.read(record, 24)
    size, kind = int.from_bytes(header[0:4], "little"), int.from_bytes(header[4:8], "little")
    body = qarnedit.memory.read(record, size)
    total = int.from_bytes(body[83:87], "little")
    xy = int.from_bytes(body[87:91], "little")
    coords = qarnedit.memory.read(xy, 16 * total)
    points = [struct.unpack_from("<dd", coords, 16 * i) for i in range(total)]
    print(f"  entity record at {record:#x}: size {size}, type {kind} (polygon), {total} vertices")
    print("  vertices in world units: " + ", ".join(f"({x:g}, {y:g})" for x, y in points))
    show_calls(host, "the clicks and the save")
    print(f"  isEditing={ctl.isEditing()} UTILS={host.variables['UTILS']!r} input_state={host.input_state}")
    host.entities = [record]
    host.repaint()
    host.save_png(os.path.join(out, "saved.png"))
    print(f"  wrote {out}/saved.png (the host drawing the saved record)")

    print("the host drops the pointer handler during an edit:")
    ctl.drawPolyline()
    host.clear_calls()
    host.drop_pointer_handler()
    show_calls(host, "the detach")

    print("persistence:")
    ctl.penColor = 0x00FF00
    data = qarnedit.SaveStream(ctl)
    copy = qarnedit.CreateObject("QARNEDIT.QarneditCtrl.1")
    qarnedit.LoadStream(copy, data)
    print(f"  stream of {len(data)} bytes; the copy has penColor={copy.penColor:#08x}"
          f" FormatPolygonParams={copy.FormatPolygonParams!r}")
    try:
        qarnedit.LoadStream(copy, data[:7])
    except ValueError as err:
        print(f"  a truncated stream is refused: {err}")

    qarnedit.Unadvise(ctl, cookie)
    host.file_version = None
    print("done")


if __name__ == "__main__":
    main()
