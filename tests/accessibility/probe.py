#!/usr/bin/python3
# The screen reader's view over AT-SPI: finds the grid's table in the running test window,
# reads its size, a Chinese cell and a header, maps indexes both ways, asks for extents beyond
# the cells (which must not crash the application) and sees the focus move between cells.
import sys, time
import pyatspi
from gi.repository import GLib

def find_app():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "tablique-a11y":
                return app
        time.sleep(0.1)
    sys.exit("application not found on the accessibility bus")

def check(cond, what):
    if not cond:
        sys.exit("failed: " + what)

app = find_app()
table = None
for _ in range(50):
    table = pyatspi.findDescendant(app, lambda a: a is not None and a.getRole() == pyatspi.ROLE_TABLE)
    if table is not None:
        break
    time.sleep(0.1)
check(table is not None, "a table in the window")
t = table.queryTable()
check((t.nRows, t.nColumns) == (5, 3), "5 x 3, got %d x %d" % (t.nRows, t.nColumns))
apple = t.getAccessibleAt(1, 0)
check(apple.name == "苹果", "cell (1,0) reads 苹果, got %r" % apple.name)
check(apple.getRole() == pyatspi.ROLE_TABLE_CELL, "a table cell")
check(t.getColumnHeader(1).name == "C2", "header C2")
i = t.getIndexAt(2, 1)
check((t.getRowAtIndex(i), t.getColumnAtIndex(i)) == (2, 1), "index %d maps back to (2,1)" % i)
check(apple.getIndexInParent() == t.getIndexAt(1, 0), "index in parent")
for k in (15, 16, 40, 1000):
    t.getRowColumnExtentsAtIndex(k)  # beyond the cells: an answer, not a crash

focused = []
def on_focus(event):
    if event.detail1 == 1 and event.source is not None and event.source.getRole() == pyatspi.ROLE_TABLE_CELL:
        focused.append(event.source.name)
pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
GLib.timeout_add(3000, lambda: pyatspi.Registry.stop())
pyatspi.Registry.start()
check("苹果" in focused and "12" in focused, "focus moved between the cells, saw %r" % focused)
print("screen reader probe passed: table 5 x 3, 苹果, focus", focused[:4])
