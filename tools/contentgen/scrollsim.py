"""The scroller's reading of the compiled scrolltext, frame by frame, without
drawing anything: which cell enters in which frame, in which typeface and at
which speed, where it sits on the strip, and which frame reads the end mark.

It follows the scene's update exactly (shift, compose, at most one new cell,
codes acting together with the character after them), so its frame numbers
are the capture tool's frame numbers. The review and the strip reading use it
to know which frames to capture and what text those frames must show.
"""

RESTART_MARGIN = 27
CELL = 16
ENTRY_COLUMN = 416           # first strip column beyond the screen's right edge
FIRST_SHOWN, LAST_SHOWN = 16, 415   # strip columns on screen
ARGUMENTS = {1: 1, 2: 0, 3: 0, 4: 3, 5: 1, 6: 1, 7: 2}


class Cell:
    """One character cell that entered the strip."""

    def __init__(self, frame, char, face, speed, tape):
        self.frame = frame    # frame whose update drew it at the entry column
        self.char = char      # the byte, 32 for blank cells
        self.face = face      # (sheet 1-8, half 1-2)
        self.speed = speed    # scroll speed when it entered
        self.tape = tape      # strip column of its left edge on the tape (see Run)


class Run:
    """The whole production's reading.

    The tape is the text laid out on one long strip: shift[k] is how far the
    text had moved after frame k's shift (the strip shown in frame k is tape
    columns shift[k] + 16 ... shift[k] + 415), and a cell's tape column is
    where its left edge lies on that strip.
    """

    def __init__(self, text):
        self.cells = []
        self.shift = []
        self.events = []      # (frame, code, arguments) for every control code read
        self.end_frame = None
        self._read(bytes(text))

    def _read(self, source):
        work = bytearray(source)
        pos, accum, speed, face, moved = -1, 0, 2, (1, 1), 0
        frame = 0
        while self.end_frame is None:
            moved += speed
            self.shift.append(moved)
            if accum <= -CELL:
                accum += CELL
                pos += 1
                if pos + RESTART_MARGIN >= len(work):
                    work, pos = bytearray(source), 0
                while True:
                    code = work[pos] if pos < len(work) else 0
                    if code == 3:
                        self.end_frame = frame
                        self.events.append((frame, 3, ()))
                        break
                    if code == 2:
                        work[pos] = 32
                        self.events.append((frame, 2, ()))
                        continue
                    if code in ARGUMENTS:
                        n = ARGUMENTS[code]
                        args = tuple((b - 256 if b > 127 else b)
                                     for b in work[pos + 1:pos + 1 + n])
                        del work[pos:pos + 1 + n]
                        self.events.append((frame, code, args))
                        if code == 6:
                            speed = args[0] if 1 <= args[0] <= 16 else 2
                        elif code == 7:
                            face = (args[0] if 1 <= args[0] <= 8 else 1,
                                    args[1] if args[1] in (1, 2) else 1)
                        continue
                    char = code if code >= 32 else 32
                    self.cells.append(Cell(frame, char, face, speed, ENTRY_COLUMN + moved))
                    break
                if self.end_frame is not None:
                    break
            accum -= speed
            frame += 1

    def shown(self, frame):
        """Tape columns on screen in a frame: [first, last + 1)."""
        return self.shift[frame] + FIRST_SHOWN, self.shift[frame] + LAST_SHOWN + 1

    def visible_cells(self, frame):
        """Cells entirely on screen in a frame (entered before it)."""
        lo, hi = self.shown(frame)
        return [c for c in self.cells
                if c.frame < frame and c.tape >= lo and c.tape + CELL <= hi]

    def first_frame_showing(self, tape_end):
        """The first frame whose strip reaches tape column tape_end - 1."""
        for k, moved in enumerate(self.shift):
            if moved + LAST_SHOWN + 1 >= tape_end:
                return k
        return None

    def segments(self):
        """Stretches of cells in one typeface at one speed:
        [(face, speed, first cell index, last cell index + 1)]."""
        out = []
        for i, cell in enumerate(self.cells):
            if out and out[-1][0] == cell.face and out[-1][1] == cell.speed \
                    and out[-1][3] == i:
                out[-1][3] = i + 1
            else:
                out.append([cell.face, cell.speed, i, i + 1])
        return [tuple(s) for s in out]


def load(path):
    with open(path, "rb") as f:
        return Run(f.read())
