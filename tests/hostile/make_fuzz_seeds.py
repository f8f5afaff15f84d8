#!/usr/bin/env python3
"""Writes the seed corpora of the packet, modem-information, client and server fuzz targets.

The seeds are checked in; this script says how they were made and remakes them:
    python3 tests/hostile/make_fuzz_seeds.py [SOURCE_DIR]
A client or server seed is a script of moves in the targets' input language (see the
comment at the top of src/tftp/client_receive_fuzz.cpp and server_receive_fuzz.cpp): whole
runs done right, so that the fuzzer starts deep in every state, and runs with hostile moves
mixed in.
"""
import os
import struct
import sys

SRC = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                      os.path.join(os.path.dirname(__file__), "..", ".."))


def write(folder, name, data):
    path = os.path.join(SRC, "src", "tftp", folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def w16(v):
    return struct.pack(">H", v)


# ---- packets -------------------------------------------------------------------------
def request(op, name, mode=b"octet"):
    return w16(op) + name + b"\0" + mode + b"\0"


PACKETS = {
    "rrq_info": request(1, b"info"),
    "wrq_lock_key": request(2, b"tftplock.key"),
    "wrq_without_mode": w16(2) + b"image\0",
    "rrq_without_zero": w16(1) + b"../../etc/passwd",
    "data_full": w16(3) + w16(1) + bytes(range(256)) * 2,
    "data_last": w16(3) + w16(7) + b"tail",
    "ack_request_id": w16(4) + w16(0) + b"SIM-BOARD-1\0",
    "ack_completion": w16(4) + w16(65535),
    "error_known": w16(5) + w16(1) + b"Failed to open file for reading: x\0",
    "error_without_zero": w16(5) + w16(0) + b"Server already in update mode",
    "one_byte": b"\x03",
    "opcode_nine": w16(9) + w16(9),
}

# ---- modem information: byte 0 picks info, ProductInfo, hw.prof or another name -------
INFO = {
    "info_slash": b"\0" + b"Sim Corp; 2024/05/01; HW-1.2/FW-3.4\r\n",
    "info_four_fields": b"\0" + b"  Sim Corp;2024-05-01;HW-1.2;FW-3.4;extra",
    "info_long_fields": b"\0" + b"C" * 40 + b";" + b"D" * 40 + b";" + b"H" * 60 + b"/" + b"F" * 60,
    "product_two_fields": b"\1" + b"PID-77; 00:11:22:33:44:55",
    "product_three": b"\1" + b"PID-77;00:11:22:33:44:55;TFTP 1.0\0after the zero",
    "hw_prof_lines": b"\2" + b"cpu=sim\nram=16M\nflash=4M\n" * 30,
    "other_name": b"\3" + b"a;b;c",
}

# ---- the client against a scripted modem ----------------------------------------------
PLAN = {"command": 0, "image": 1, "pack": 2, "info": 3, "config": 4}
BROADCAST, SKIP_CRITERIA, NO_RETRIES = 0x08, 0x10, 0x20
TRANSFER, LISTEN, STRANGER, OTHER_PORT = 0, 1, 2, 3


def op(move, sender=TRANSFER):
    return bytes([move << 2 | sender])


def answer(data=b"", sender=TRANSFER):
    """A sound answer; data is the content of a DATA block (full block: 512 bytes)."""
    n = len(data)
    assert n <= 254 or n == 512
    return op(0, sender) + bytes([0xFF if n == 512 else n]) + data


def ack_answer(sender=TRANSFER):
    return answer(b"", sender)


def raw(data, sender=TRANSFER, edge=None):
    if edge is not None:  # one of the edge sizes, filled with the byte given
        return op(1, sender) + bytes([0xF0 + edge]) + (data or b"\x03")
    return op(1, sender) + bytes([len(data)]) + data


def ack(block, text=b"", sender=TRANSFER):
    return op(2, sender) + w16(block) + bytes([len(text)]) + text


def data(block, payload, sender=TRANSFER):
    n = len(payload)
    return op(3, sender) + w16(block) + bytes([0xFF if n == 512 else n]) + payload


def error(sel, code=0, text=b"", sender=TRANSFER):
    if sel >= 2:
        return op(4, sender) + bytes([len(text)]) + text + bytes([code])
    return op(4, sender) + bytes([sel, code])


def wait(units):
    return op(5) + bytes([units - 1])


def repeat():
    return op(6)


def shifted(shift, data=b"", sender=TRANSFER):
    return op(7, sender) + bytes([shift & 0xFF, len(data)]) + data


def command(n):  # a command file written right: ACK 0, then ACK 1
    return ack_answer() * 2 * n


FULL = bytes((i * 7) & 0xFF for i in range(512))

CLIENT = {
    "command_files_done": bytes([PLAN["command"]]) + command(4),
    "command_files_noise": bytes([PLAN["command"]]) + ack_answer() + raw(b"", STRANGER, edge=12)
    + raw(b"\x04", edge=1) + ack(0, b"", STRANGER) + ack_answer() + ack_answer() + ack_answer()
    + ack_answer() + error(2, 0, b"Not today") ,
    "command_request_id_foreign_board": bytes([PLAN["command"]]) + command(2)
    + ack(0, b"X" * 60 + b"\0") + command(1),
    "image_done": bytes([PLAN["image"]]) + command(2) + ack_answer() * 4 + command(2),
    "image_hostile": bytes([PLAN["image"]]) + command(2) + ack_answer() + ack(1, sender=STRANGER)
    + raw(b"", edge=12) + ack(9) + repeat() + ack_answer() + ack(65535) + wait(40) + ack_answer(),
    "image_broadcast": bytes([PLAN["image"] | BROADCAST]) + command(2) + data(1, b"x")
    + ack_answer() * 4 + command(2),
    "image_timeouts": bytes([PLAN["image"] | NO_RETRIES]) + command(2) + ack_answer()
    + wait(100),
    "pack_done": bytes([PLAN["pack"]]) + command(2) + ack_answer() * 8 + command(2),
    "pack_skip_criteria": bytes([PLAN["pack"] | SKIP_CRITERIA]) + command(2) + ack_answer() * 6
    + command(2),
    "pack_out_of_order": bytes([PLAN["pack"]]) + command(2) + ack_answer() + shifted(1)
    + shifted(-1) + ack_answer() + error(0) + command(2),
    "info_done": bytes([PLAN["info"]]) + command(1) + answer(b"PID-77;00:11:22:33:44:55;TFTP 1.0")
    + command(1) + answer(b"Sim Corp; 2024/05/01; HW-1.2/FW-3.4") + command(1)
    + answer(b"cpu=sim\nram=16M\n") + command(1),
    "info_hostile": bytes([PLAN["info"]]) + command(1) + answer(FULL) + data(7, b"late")
    + raw(b"", edge=9) + ack_answer() + data(2, b"x" * 200) + command(1)
    + error(1) + command(1) + answer(b"\0" * 30),
    "config_done": bytes([PLAN["config"]]) + command(1) + answer(FULL) + answer(b"tail-bytes")
    + command(1) + answer(b"brows") + command(1) + error(1) + command(1) + answer(b"")
    + command(1) + answer(b"dhcp" * 5) + command(1),
    "config_duplicates": bytes([PLAN["config"]]) + command(1) + answer(FULL) + repeat()
    + data(1, FULL, STRANGER) + data(3, b"skip") + answer(b"end") + repeat() + command(1)
    + answer(b"x") + wait(80),
    # What the fuzzer found: an ACK beyond the block dropping the pack mid-read, and stray
    # datagrams while a request waits for its answer.
    "config_ack_beyond_block": bytes([PLAN["config"]]) + command(1) + answer(FULL) + ack(9)
    + answer(b"rest") + command(1) + answer(b"brows") + command(1) + answer(b"r"),
    "command_stray_data": bytes([PLAN["command"]]) + data(1, b"x") + raw(w16(9) + w16(1))
    + wait(200),
    "config_key_unanswered": bytes([PLAN["config"]]) + command(1) + answer(b"bridge")
    + ack_answer() + wait(250) + wait(250),
}

# ---- the server against scripted clients ----------------------------------------------
READ, WRITE, SRV_NO_RETRIES = 0x01, 0x02, 0x04
NAMES = ["small", "big", "empty", "sub/inner", "new", "sub/new", "dir", "sub/", ".", "",
         "../secret", "sub/../../secret", "./../secret", "..", "../root/new",
         "<abs secret>", "<//abs secret>", "<abs root/new>", "dir/../../secret",
         "a/../../secret", "<300 n>"]
CLIENT_A, CLIENT_A2, STRANGER_C = 0, 1, 2


def sop(move, who=CLIENT_A):
    return bytes([move << 2 | who])


def rrq(name, who=CLIENT_A, cut=0):
    return sop(0, who) + bytes([0, NAMES.index(name), cut])


def wrq(name, who=CLIENT_A, cut=0):
    return sop(0, who) + bytes([1, NAMES.index(name), cut])


def raw_name_request(write, name, who=CLIENT_A):
    return sop(0, who) + bytes([write, len(NAMES) + len(name)]) + name + b"\0"


def s_answer(payload=b"", who=CLIENT_A):
    n = len(payload)
    return sop(6, who) + bytes([0xFF if n == 512 else n]) + payload


def s_ack(block, who=CLIENT_A):
    return sop(2, who) + w16(block)


def s_data(block, payload, who=CLIENT_A):
    n = len(payload)
    return sop(3, who) + w16(block) + bytes([0xFF if n == 512 else n]) + payload


def s_raw(payload, who=CLIENT_A, edge=None):
    if edge is not None:
        return sop(1, who) + bytes([0xF0 + edge]) + (payload or b"\x03")
    return sop(1, who) + bytes([len(payload)]) + payload


def s_wait(units):
    return sop(5) + bytes([units - 1])


SERVER = {
    "read_small": bytes([READ]) + rrq("small") + s_answer(),
    "read_big": bytes([READ]) + rrq("big") + s_answer() * 3,
    "read_empty_and_inner": bytes([READ]) + rrq("empty") + s_answer() + rrq("sub/inner")
    + s_answer() * 2,
    "write_new": bytes([READ | WRITE]) + wrq("new") + s_answer(FULL) + s_answer(b"last"),
    "write_sub_new_repeat_block": bytes([WRITE]) + wrq("sub/new") + s_answer(FULL)
    + sop(7) + s_answer(b"end"),
    "traversal_names": bytes([READ | WRITE]) + b"".join(
        wrq(n) + rrq(n) for n in NAMES[6:]) + raw_name_request(1, b"x\\..\\secret"),
    "names_without_zero": bytes([READ | WRITE]) + rrq("small", cut=2) + wrq("new", cut=2)
    + wrq("new", cut=1) + rrq("big", cut=1) + s_answer(),
    "odd_sizes": bytes([READ | WRITE]) + b"".join(s_raw(b"", edge=e) for e in range(14))
    + s_raw(b"\x00\x09\x00\x01"),
    "strangers_mid_read": bytes([READ]) + rrq("big") + s_ack(1, STRANGER_C)
    + s_data(1, b"x", STRANGER_C) + s_ack(1, CLIENT_A2) + s_answer() + s_ack(1) + s_answer()
    + s_answer(),
    "strangers_mid_write": bytes([WRITE]) + wrq("new") + s_data(1, FULL, STRANGER_C)
    + s_ack(0, STRANGER_C) + s_answer(FULL) + s_data(2, b"z", CLIENT_A2) + s_answer(b"end"),
    "request_flood": bytes([READ | WRITE]) + (rrq("small") + rrq("big", STRANGER_C)
                                            + wrq("new", CLIENT_A2)) * 40,
    "write_given_up": bytes([WRITE | SRV_NO_RETRIES]) + wrq("new") + s_answer(FULL)
    + s_wait(200) + s_answer(b"late"),
    "read_timeouts": bytes([READ]) + rrq("big") + s_answer() + s_wait(100) + s_wait(100)
    + s_ack(1) + s_ack(0),
}


# ---- the file readers: the hostile shapes their own seeds leave out -----------------------
def entry(name, length):
    return name + b"\0" + struct.pack("<I", length)


def pk11(version, entries, data=b""):
    return b"PK11" + version + b"\0" + b"".join(entry(n, l) for n, l in entries) + b"\0" + data


FORMATS = {
    "pack_name_of_50": pk11(b"HW", [(b"n" * 50, 4)], b"data"),
    "pack_201_entries": pk11(b"", [(b"e%d" % i, 1) for i in range(201)], b"x" * 201),
    "pack_table_cut_short": b"PK11v1\0kernel\0\x10\x00",
    "pack_lengths_past_the_end": pk11(b"HW1/FW2-with-a-long-version", [(b"info", 0xFFFFFFF0),
                                                                      (b"hw.cond", 7)], b"C;D;H;F"),
    "pack_v10_short_version": b"PACK1.0",
    "pack_info_and_criteria_last": pk11(b"", [(b"image", 3), (b"hw.cond", 5), (b"info", 30)],
                                        b"abccrit;" + b"Co; 2024; HW9 ; FW9;x" + b"\0" * 10),
}
LISTS = {
    "list_longer_than_file": b"ab\0\x01\x00",
    "one_byte": b"\x07",
    "list_without_zero": b"LZ01" + b"10400000" + b"BOARD" + b"\x00\x05",
}


# Text from the file that would forge lines of `describe` or steer a terminal: names, versions,
# criteria and board names holding line feeds, escapes and bells.
def with_boards(blob, boards):
    listed = b"".join(b + b"\0" for b in boards)
    return blob + listed + struct.pack(">H", len(listed))


DESCRIPTIONS = {
    "pack_names_forging_lines": pk11(
        b"HW\x1b[1m/FW\rx-long-enough", [(b"image\nTotal: 1 file(s), 1 bytes", 12),
                                          (b"\x1b]0;title\x07", 2), (b"hw.cond", 45)],
        b"LZ0110400000" + b"xy" + b"board=A\r\nSHA-256: 00\nCompatible boards: x\x1b[2J"),
    "image_version_controls": with_boards(b"LZ01104\n\x1b\t\r\x7fpayload",
                                          [b"EVIL\nSize: 1", b"SIM-BOARD-1"]),
}


def write_formats(name, blob, folders):
    for folder in folders:
        path = os.path.join(SRC, "src", "formats", folder)
        if os.path.isdir(path):
            with open(os.path.join(path, name), "wb") as f:
                f.write(blob)


def main():
    for name, blob in FORMATS.items():
        write_formats(name, blob, ["pack_table_fuzz_corpus", "file_description_fuzz_corpus",
                                   "compatible_list_fuzz_corpus"])
    for name, blob in LISTS.items():
        write_formats(name, blob, ["compatible_list_fuzz_corpus", "file_description_fuzz_corpus"])
    for name, blob in DESCRIPTIONS.items():
        write_formats(name, blob, ["file_description_fuzz_corpus"])
    for name, blob in PACKETS.items():
        write("packet_fuzz_corpus", name, blob)
    for name, blob in INFO.items():
        write("modem_info_fuzz_corpus", name, blob)
    for name, blob in CLIENT.items():
        write("client_receive_fuzz_corpus", name, blob)
    for name, blob in SERVER.items():
        write("server_receive_fuzz_corpus", name, blob)


if __name__ == "__main__":
    main()
