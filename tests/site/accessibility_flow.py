# Both windows as a screen reader sees them over AT-SPI: every control named, with its role; the
# whole flow through accessible actions and keys. Prints the windows after two headings.
import glob, sys, time, pyatspi
KEYS = {'Tab': 0xff09, 'Return': 0xff0d, 'Down': 0xff54, 'Up': 0xff52, 'Escape': 0xff1b}
B, IMAGE, SHOWING = 'push button', 'image', pyatspi.STATE_SHOWING
MAIN = {'Veldo 播放器': 'frame', 'Veldo 标志': IMAGE, '封面': IMAGE, '搜索栏': 'panel',
        '搜索框': 'text', '探索': B, '列表': B, '频谱': IMAGE, '播放': B, '暂停': B,
        '播放进度': 'progress bar', '已播放': 'label', '总时长': 'label', '下载': B, '关闭': B}
LIST = {'VELDO列表': 'frame', '上一页': B, '下一页': B, '页码': 'label', '声音列表': 'list'}
def until(what):
    for _ in range(600):
        if what(): return what()
        time.sleep(0.1)
    raise TimeoutError  # the traceback's line says what never came
def windows():
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == 'veldo']
    return [w for a in apps for w in a if w.getState().contains(SHOWING)]
def window(name): return until(lambda: next((w for w in windows() if w.name == name), None))
def tree(node):
    return [node] + [c for child in node for c in tree(child)]
def find(win, name): return next(c for c in tree(win) if c.name == name)
def has(win, name, state): return find(win, name).getState().contains(state)
def text(win, name): return find(win, name).queryText().getText(0, -1)
def check(win, expected):
    for c in tree(win):
        role = c.getRoleName()
        assert c.name and expected.pop(c.name, role) == role, f'{role} "{c.name}"'
    assert not expected, expected
def key(*names):
    for name in names:
        pyatspi.Registry.generateKeyboardEvent(KEYS[name], None, pyatspi.KEY_SYM), time.sleep(0.3)
def press(win, name):
    action = find(win, name).queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index('Press'))
def print_windows(heading):
    boxes = [w.queryComponent().getExtents(pyatspi.DESKTOP_COORDS) for w in windows()]
    print(heading + ':', *(f'window {b.x},{b.y} {b.width}x{b.height}' for b in boxes), sep='\n')
main = window('Veldo 播放器')
check(main, MAIN)
assert find(main, '播放进度').queryValue().maximumValue == 500 and text(main, '总时长') == '00：00'
until(lambda: has(main, '搜索框', pyatspi.STATE_FOCUSED))
key('Tab', 'Tab')
assert has(main, '列表', pyatspi.STATE_FOCUSED)
key('Return')
listed = window('VELDO列表')
check(listed, LIST)
print_windows('with the list')
key('Down', 'Up', 'Return')  # the first sound
first = find(listed, '声音列表').getChildAtIndex(0).name
until(lambda: has(main, '暂停', SHOWING) and any(c.name == first for c in tree(main)))
press(main, '暂停'), until(lambda: has(main, '播放', SHOWING))
press(main, '播放'), until(lambda: has(main, '暂停', SHOWING))
until(lambda: int(''.join(filter(str.isdigit, text(main, '已播放')))) >= 2)  # mmss
press(main, '下载'), until(lambda: glob.glob(sys.argv[1] + '/*.mp3') and len(windows()) == 3)
print_windows('with the message')
key('Escape'), until(lambda: len(windows()) == 2)
press(main, '关闭')
print('flow done')
