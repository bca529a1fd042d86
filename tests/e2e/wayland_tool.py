#!/usr/bin/env python3
"""Helpers for the end-to-end tests on a headless Wayland compositor (sway).

  wayland_tool.py pointer W H       a virtual pointer (wlr virtual-pointer protocol) on $WAYLAND_DISPLAY,
                                    driven by lines on stdin: "move X Y", "down [BUTTON]", "up [BUTTON]";
                                    each line is answered "ok" once the compositor has handled it
  wayland_tool.py window TITLE      reads `swaymsg -t get_tree` on stdin; prints "X Y W H" of the content of
                                    each visible window titled exactly TITLE (screen pixels), one a line;
                                    TITLE "*" lists every window on stderr
  wayland_tool.py blank-cursor DIR  writes a cursor theme "blank" under DIR: every usual name one
                                    transparent pixel, so pictures of the screen hold no pointer
"""
import json
import os
import socket
import struct
import sys

BUTTONS = {"left": 0x110, "right": 0x111, "middle": 0x112}


class Wayland:
    """Just enough of the wire protocol: requests out, events in, new ids counted up."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.next_id = 2
        self.buffer = b""
        self.globals = {}
        self.callbacks_done = set()

    def new_id(self):
        i = self.next_id
        self.next_id += 1
        return i

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload)

    @staticmethod
    def string(s):
        b = s.encode() + b"\0"
        return struct.pack("<I", len(b)) + b + b"\0" * ((4 - len(b) % 4) % 4)

    def read_event(self):
        while len(self.buffer) < 8 or len(self.buffer) < (struct.unpack_from("<I", self.buffer, 4)[0] >> 16):
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("the compositor closed the connection")
            self.buffer += chunk
        obj, word = struct.unpack_from("<II", self.buffer)
        size = word >> 16
        body = self.buffer[8:size]
        self.buffer = self.buffer[size:]
        return obj, word & 0xFFFF, body

    def roundtrip(self):
        cb = self.new_id()
        self.send(1, 0, struct.pack("<I", cb))  # wl_display.sync
        while True:
            obj, op, body = self.read_event()
            if obj == 1 and op == 0:  # wl_display.error
                oid, code = struct.unpack_from("<II", body)
                raise SystemExit("protocol error on object %d, code %d: %s" % (oid, code, body[12:].rstrip(b"\0")))
            if obj == self.registry and op == 0:  # wl_registry.global
                name, length = struct.unpack_from("<II", body)
                iface = body[8:8 + length - 1].decode()
                version = struct.unpack_from("<I", body, 8 + (length + 3) // 4 * 4)[0]
                self.globals[iface] = (name, version)
            if obj == cb and op == 0:  # wl_callback.done
                return

    def bind(self, iface, version):
        name, offered = self.globals[iface]
        oid = self.new_id()
        self.send(self.registry, 0, struct.pack("<I", name) + self.string(iface) +
                  struct.pack("<II", min(version, offered), oid))
        return oid


def pointer(width, height):
    w = Wayland(os.environ["WAYLAND_DISPLAY"])
    w.registry = w.new_id()
    w.send(1, 1, struct.pack("<I", w.registry))  # wl_display.get_registry
    w.roundtrip()
    if "zwlr_virtual_pointer_manager_v1" not in w.globals:
        raise SystemExit("the compositor offers no virtual pointer")
    manager = w.bind("zwlr_virtual_pointer_manager_v1", 1)
    ptr = w.new_id()
    w.send(manager, 0, struct.pack("<II", 0, ptr))  # create_virtual_pointer(seat: null)
    w.roundtrip()
    time = 1000
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        time += 20
        if words[0] == "move":
            x, y = int(words[1]), int(words[2])
            w.send(ptr, 1, struct.pack("<IIIII", time, x, y, width, height))  # motion_absolute
        elif words[0] in ("down", "up"):
            button = BUTTONS[words[1] if len(words) > 1 else "left"]
            w.send(ptr, 2, struct.pack("<III", time, button, 1 if words[0] == "down" else 0))
        else:
            raise SystemExit("unknown command: " + line)
        w.send(ptr, 4)  # frame
        w.roundtrip()
        print("ok", flush=True)


def windows(title):
    def walk(node):
        if title == "*" and node.get("pid"):
            print(node["name"], node["rect"], node.get("visible"), file=sys.stderr)
        if node.get("name") == title and node.get("visible", True) and node.get("pid"):
            r, c = node["rect"], node["window_rect"]
            print(r["x"] + c["x"], r["y"] + c["y"], c["width"], c["height"])
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            walk(child)

    walk(json.load(sys.stdin))


def blank_cursor(folder):
    cursors = os.path.join(folder, "blank", "cursors")
    os.makedirs(cursors, exist_ok=True)
    image = struct.pack("<9I", 36, 0xFFFD0002, 24, 1, 1, 1, 0, 0, 0) + struct.pack("<I", 0)
    data = b"Xcur" + struct.pack("<III", 16, 0x10000, 1) + struct.pack("<III", 0xFFFD0002, 24, 28) + image
    with open(os.path.join(cursors, "left_ptr"), "wb") as f:
        f.write(data)
    for name in ("default", "arrow", "cross", "crosshair", "tcross", "fleur", "size_all", "all-scroll",
                 "ibeam", "xterm", "text", "watch", "wait", "progress", "left_ptr_watch", "hand1", "hand2",
                 "pointer", "pointing_hand", "openhand", "closedhand", "grabbing", "size_ver", "size_hor",
                 "size_bdiag", "size_fdiag", "sb_v_double_arrow", "sb_h_double_arrow", "ns-resize", "ew-resize",
                 "nwse-resize", "nesw-resize", "top_side", "bottom_side", "left_side", "right_side",
                 "top_left_corner", "top_right_corner", "bottom_left_corner", "bottom_right_corner",
                 "forbidden", "not-allowed", "split_h", "split_v", "whats_this", "help", "copy", "move", "link"):
        link = os.path.join(cursors, name)
        if not os.path.lexists(link):
            os.symlink("left_ptr", link)
    with open(os.path.join(folder, "blank", "index.theme"), "w") as f:
        f.write("[Icon Theme]\nName=blank\n")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "pointer":
        pointer(int(sys.argv[2]), int(sys.argv[3]))
    elif len(sys.argv) == 3 and sys.argv[1] == "window":
        windows(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "blank-cursor":
        blank_cursor(sys.argv[2])
    else:
        sys.exit(__doc__)
