#!/usr/bin/python3
"""The program as a keyboard-only player and a screen reader meet it, on a
real X server with AT-SPI (run by tests/desktop_access.sh, which starts Xvfb,
openbox and a private D-Bus session). Input is keys only, sent with xdotool;
the accessibility tree is only read, to check it and to choose the next keys.

    desktop_access.py <program> reader|menubar|game
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

PROGRAM = os.path.abspath(sys.argv[1])
CHECK = sys.argv[2]
failures = []
events = []


def fail(text):
    print("FAILED: " + text)
    failures.append(text)


def pump(seconds):
    """Runs the AT-SPI event loop for at most this long (it sleeps between events)."""
    ctx = GLib.MainContext.default()
    fired = []
    GLib.timeout_add(int(seconds * 1000), lambda: fired.append(1) and False)
    while not fired:
        ctx.iteration(True)


def wait_for(cond, seconds=20):
    """Waits for an observable state of the program, with a time limit."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            value = cond()
        except Exception:
            value = None
        if value:
            return value
        pump(0.05)
    return None


def key(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers"] + list(names), check=True)


def on_event(e):
    try:
        name = e.source.name
    except Exception:
        name = None
    if e.type.startswith("object:state-changed:focused") and e.detail1 != 1:
        return
    data = e.any_data if isinstance(e.any_data, str) else None
    if e.type.endswith("accessible-description"):
        try:
            data = e.source.description
        except Exception:
            data = None
    events.append((e.type, name, data))


pyatspi.Registry.registerEventListener(
    on_event, "object:state-changed:focused", "object:property-change:accessible-name",
    "object:property-change:accessible-description")

work = tempfile.mkdtemp()
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
app_process = subprocess.Popen([PROGRAM], cwd=work, env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, "program.log"), "w"))


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for a in desktop:
        if a is not None and a.name and "velmora" in a.name.lower():
            return a
    return None


def walk(node, pred, out):
    try:
        if pred(node):
            out.append(node)
        for c in node:
            if c is not None:
                walk(c, pred, out)
    except Exception:
        pass
    return out


def find(root, pred):
    found = walk(root, pred, [])
    return found[0] if found else None


def running():
    return app_process.poll() is None


app = wait_for(find_app)
if not app:
    print("the program did not appear on the accessibility bus")
    sys.exit(1)
window = wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Velmora$"],
                                         capture_output=True, text=True).stdout.split()[0])
subprocess.run(["xdotool", "windowactivate", "--sync", window])
board = wait_for(lambda: find(app, lambda n: n.getRoleName() == "table" and n.name == "盤"))
if not board:
    print("no table named 盤")
    sys.exit(1)


def cell(x, y):
    """The board's cell of grid column x (1 = left), row y (1 = top)."""
    return board.queryTable().getAccessibleAt(y - 1, x - 1)


def hand(top):
    tables = walk(app, lambda n: n.getRoleName() == "table" and n.name.endswith("の持駒"), [])
    left = board.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x
    for t in tables:
        if (t.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x < left) == top:
            return t
    print("hand tables:", [t.name for t in tables])
    return None


def status():
    return find(app, lambda n: n.getRoleName() == "label" and n.name and "手目" in n.name).name


def boxes():
    """The program's message boxes on the screen."""
    return walk(app, lambda n: n.getRoleName() in ("dialog", "alert"), [])


def answer_boxes(seen=None):
    """Answers every box with Return, as a keyboard user does; keeps what they said."""
    while True:
        shown = wait_for(boxes, 1.5)
        if not shown:
            return
        texts = walk(shown[0], lambda n: n.getRoleName() == "label" and n.name, [])
        if seen is not None:
            seen.append(shown[0].name + "|" + " ".join(t.name for t in texts))
        key("Return")
        wait_for(lambda: not boxes() or boxes()[0] != shown[0], 10)


def focused_names():
    return [n for (t, n, _) in events if t.startswith("object:state-changed:focused") and n]


# F10 and the arrows to an item of the bar: (steps right from 対局, then keys in its menu).
def menu(right, *keys_in_menu):
    key("F10")
    if not wait_for(lambda: walk(app, lambda n: n.getRoleName() == "menu" and n.name == "対局" and
                                 n.getState().contains(pyatspi.STATE_SELECTED) or
                                 n.getRoleName() == "menu item" and n.name == "対局(人間)" and
                                 n.getState().contains(pyatspi.STATE_SHOWING), []), 10):
        pass
    for _ in range(right):
        key("Right")
    for k in keys_in_menu:
        key(k)


def start_game_as_first():
    """対局 > 対局(COM) > 先手, from the keyboard; the box that says the human moves is answered."""
    menu(0, "Down", "Down", "Right", "Return")
    answer_boxes()


def check_reader():
    # The starting position, in the game's words.
    expect = {(5, 9): "５九 後手の会長", (5, 1): "５一 先手の会長", (5, 5): "５五 空き",
              (1, 6): "９六 後手の平員", (4, 1): "６一 先手の秘書"}
    for (x, y), name in expect.items():
        got = cell(x, y).name
        if got != name:
            fail(f"cell {x},{y} is named {got!r}, not {name!r}")
    if board.queryTable().nRows != 9 or board.queryTable().nColumns != 9:
        fail("the board is not a 9 x 9 table")
    for top in (True, False):
        h = hand(top)
        if not h or h.childCount != 8 or "秘書" not in "".join(c.name for c in h):
            fail("a hand is not readable: " + (", ".join(c.name for c in h) if h else "none"))

    start_game_as_first()
    # The arrows move the cursor, and the focus follows it cell by cell.
    del events[:]
    key("Down", "Down", "Left", "Right")
    want = ["５六 先手の平員", "５七 空き", "６七 空き", "５七 空き"]
    if not wait_for(lambda: focused_names()[-4:] == want, 10):
        fail(f"focus followed the cursor as {focused_names()}, not {want}")
    # A move from the keys: 5六 to 5五; the names change, then the computer replies.
    key("Up", "Return", "Up", "Return")
    if not wait_for(lambda: cell(5, 5).name == "５五 先手の平員" and cell(5, 6).name == "５六 空き", 20):
        fail(f"after the move the cells say {cell(5, 5).name!r} and {cell(5, 6).name!r}")
    before = [cell(x, y).name for y in range(1, 10) for x in range(1, 10)]
    if not wait_for(lambda: "2手目" in status(), 30):
        fail("the computer did not reply: " + status())
    answer_boxes()
    after = [cell(x, y).name for y in range(1, 10) for x in range(1, 10)]
    if before == after:
        fail("no name in the computer's rows changed after its reply")
    spoken = [d for (t, _, d) in events if t.endswith("accessible-description") and d]
    if not any(s.startswith("先手 ５五平") for s in spoken) or not any(s.startswith("後手 ") for s in spoken):
        fail(f"both moves were not told on the focused cell: {spoken}")
    # And each takes the focus on its side's last-move text, which a screen reader says.
    said = [n for n in focused_names() if n.startswith("先手 ") or n.startswith("後手 ")]
    if not said or said[0] != "先手 ５五平" or not any(n.startswith("後手 ") for n in said):
        fail(f"the moves did not take the focus: {focused_names()}")
    for part in ("後手の番" if False else "先手の番", "2手目", "LEVEL"):
        if part not in status():
            fail(f"the status does not say {part}: {status()}")

    # The save panel from the keys: its fields are read by their labels.
    menu(6, "Up", "Return")  # 棋譜 > 書込, its last item
    labels = {"対 局 名：", "先    手 ：", "後    手 ：", "ﾌｧｲﾙ名 ："}
    fields = wait_for(lambda: [f for f in walk(app, lambda n: n.getRoleName() == "text" and
                                                n.getState().contains(pyatspi.STATE_SHOWING), [])
                               if f.name in labels], 10) or []
    if {f.name for f in fields} != labels:
        fail(f"the panel's fields are named {[f.name for f in fields]}")
    for f in fields:
        rel = [r for r in f.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        if not rel:
            fail(f"the field {f.name} has no label relation")


def check_menubar():
    items = ["対局", "局面", "戻 一手戻す", "進 一手進める", "△ ハンディキャップを上げる",
             "▽ ハンディキャップを下げる", "棋譜", "ｵﾌﾟｼｮﾝ", "その他 ", "対局"]
    bar = find(app, lambda n: n.getRoleName() == "menu bar")

    def highlighted():
        for c in bar:
            if c.getState().contains(pyatspi.STATE_FOCUSED) or c.getState().contains(pyatspi.STATE_SELECTED):
                return c.name
        return None

    key(os.environ.get("OPEN_KEY", "F10"))
    seen = [wait_for(lambda: highlighted(), 10)]
    for want in items[1:]:
        # Right on an item that opens a submenu (背景画) opens it first, as on any desktop.
        for _ in range(2):
            key("Right")
            got = wait_for(lambda: highlighted() if highlighted() and highlighted().startswith(want.split()[0])
                           else None, 3)
            if got:
                break
        seen.append(got or highlighted())
    if [s.split()[0] if s else None for s in seen] != [i.split()[0] for i in items]:
        fail(f"F10 and Right walked {seen}")
    if "一手戻す" not in "".join(s or "" for s in seen):
        fail("the one-glyph commands have no words")
    # And back round to the left, through the commands.
    for _ in range(3):
        key("Left")
    if not wait_for(lambda: highlighted() and highlighted().startswith("棋譜"), 5):
        fail(f"Left from 対局 reached {highlighted()}")
    key("Left", "Left")
    if not wait_for(lambda: highlighted() and highlighted().startswith("△"), 5):
        fail(f"Left onto the commands reached {highlighted()}")
    # Esc on a command leaves the bar; the program goes on, the board has the keys.
    key("Escape")
    if not wait_for(lambda: highlighted() is None, 5):
        fail("Esc left an item highlighted")
    pump(0.5)
    if not running():
        fail("Esc on a highlighted command ended the program")
        return
    del events[:]
    key("Down")
    if not wait_for(lambda: focused_names(), 5):
        fail("after the bar the arrows do not reach the board")
    key("Escape")
    if not wait_for(lambda: not running(), 10):
        fail("Esc on the board did not end the program")


def own_moves():
    """Every step of the player's pieces (bottom, the minus side), read from the cell names."""
    names = {(x, y): cell(x, y).name for x in range(1, 10) for y in range(1, 10)}
    ranks = ["秘書", "平員", "係長", "課長", "部長", "常務", "専務", "社長", "会長"]
    mine_word = "先手の"

    def piece(n):
        for i, r in enumerate(ranks):
            if n.endswith(r):
                return i + 1
        return 0
    out = []
    for (x, y), n in names.items():
        if mine_word not in n:
            continue
        p = piece(n)
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                tx, ty = x + dx, y + dy
                if (dx, dy) == (0, 0) or not (1 <= tx <= 9 and 1 <= ty <= 9):
                    continue
                t = names[(tx, ty)]
                if mine_word in t:
                    continue
                q = piece(t)
                if q and not (q <= p and not (p == 9 and q == 1)) and not (p == 1 and q == 9):
                    continue
                # Captures first, the chairman's and the secretary's on the chairman above all.
                score = (100 if q == 9 else 10 * q if q else 0)
                # Otherwise the chairman walks up: a game that ends soon.
                if p == 9 and not q:
                    score = 5 + (y - ty)
                out.append((score, x, y, tx, ty))
    return sorted(out, reverse=True)


def move_cursor(cur, x, y):
    keys = []
    keys += ["Left"] * max(0, cur[0] - x) + ["Right"] * max(0, x - cur[0])
    keys += ["Up"] * max(0, cur[1] - y) + ["Down"] * max(0, y - cur[1])
    if keys:
        key(*keys)
    return (x, y)


def check_game():
    key("Home")
    start_game_as_first()
    cur = (5, 5)
    seen = []
    for turn in range(200):
        if not running():
            fail("the program ended during the game")
            return
        st = status()
        if "の勝ち" in st:
            break
        n = int(st.split("手目")[0].split("、")[-1])
        moved = False
        for _, x, y, tx, ty in own_moves()[:6]:
            cur = move_cursor(cur, x, y)
            key("Return")
            cur = move_cursor(cur, tx, ty)
            key("Return")
            if wait_for(lambda: "の勝ち" in status() or int(status().split("手目")[0].split("、")[-1]) > n, 10):
                moved = True
                break
            answer_boxes(seen)
            if key_pick_left():
                key("Escape")
        if not moved:
            fail("no move of the player was taken: " + status())
            return
        wait_for(lambda: "の勝ち" in status() or int(status().split("手目")[0].split("、")[-1]) >= n + 2, 30)
        answer_boxes(seen)
    answer_boxes(seen)
    result = status()
    print("result: " + result + " | boxes: " + " / ".join(seen))
    if "の勝ち" not in result:
        fail("the game did not reach its result: " + result)
    if not any("勝ち" in s or "終了" in s for s in seen):
        fail("no box told the result: " + " / ".join(seen))
    # The record of the game is saved from the keys, then the game stepped back.
    menu(6, "Up", "Return")
    wait_for(lambda: walk(app, lambda n: n.getRoleName() == "text" and n.name == "ﾌｧｲﾙ名 ：" and
                          n.getState().contains(pyatspi.STATE_SHOWING), []), 10)
    key("Tab", "Tab", "Tab")  # from the game's name to the file name
    subprocess.run(["xdotool", "type", "--delay", "1", "game"], check=True)
    key("Return")
    answer_boxes(seen)
    if not wait_for(lambda: any(f.endswith(".棋譜") for f in os.listdir(work)), 10):
        fail("the game was not saved from the keys")
    # 戻 steps the game back one move, from the menu bar.
    moves = status().split("手目")[0].split("、")[-1]
    menu(2, "Return")
    answer_boxes(seen)
    if not wait_for(lambda: status().split("手目")[0].split("、")[-1] == str(int(moves) - 1), 10):
        fail(f"戻 did not step back from {moves}: {status()}")
    key("Escape")
    if not wait_for(lambda: not running(), 10):
        fail("Esc did not end the program after the game")


def key_pick_left():
    return any(c.getState().contains(pyatspi.STATE_SELECTED) for c in board)


try:
    {"reader": check_reader, "menubar": check_menubar, "game": check_game}[CHECK]()
finally:
    if running():
        app_process.kill()
    app_process.wait()
print("ok" if not failures else f"{len(failures)} failures")
sys.exit(1 if failures else 0)
