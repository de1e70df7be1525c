# The player as a screen reader sees it over AT-SPI: every control of both windows has a name
# and its role, and the whole flow runs through accessible actions and key presses alone.
# Prints the windows as "window X,Y WxH" after "with the list:" and "with the message:".
import glob, sys, time
import pyatspi

MUSICS = sys.argv[1]
KEYS = {'Tab': 0xff09, 'Return': 0xff0d, 'Down': 0xff54, 'Up': 0xff52, 'Escape': 0xff1b}
MAIN = {'Veldo 播放器': 'frame', 'Veldo 标志': 'image', '封面': 'image', '搜索栏': 'panel',
        '搜索框': 'text', '探索': 'push button', '列表': 'push button', '频谱': 'image',
        '播放': 'push button', '暂停': 'push button', '播放进度': 'progress bar',
        '已播放': 'label', '总时长': 'label', '下载': 'push button', '关闭': 'push button'}
LIST = {'VELDO列表': 'frame', '上一页': 'push button', '下一页': 'push button',
        '页码': 'label', '声音列表': 'list'}

def until(what, seconds=60):
    for _ in range(int(seconds / 0.1)):
        found = what()
        if found: return found
        time.sleep(0.1)
    raise TimeoutError  # the traceback's line says what never came

def windows():
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == 'veldo']
    return [w for a in apps for w in a if w.getState().contains(pyatspi.STATE_SHOWING)]

def window(name):
    return until(lambda: next((w for w in windows() if w.name == name), None))

def controls(node):
    yield node
    for child in node: yield from controls(child)

def control(win, name):
    return next(c for c in controls(win) if c.name == name)

def showing(win, name):
    return control(win, name).getState().contains(pyatspi.STATE_SHOWING)

def focused(win):
    return [c.name for c in controls(win) if c.getState().contains(pyatspi.STATE_FOCUSED)]

def check_tree(win, expected):
    for c in controls(win):
        role, name = c.getRoleName(), c.name
        assert name, f'a {role} without a name'
        assert expected.pop(name, role) == role, f'{name} is a {role}'
    assert not expected, f'missing: {expected}'

def key(name):
    pyatspi.Registry.generateKeyboardEvent(KEYS[name], None, pyatspi.KEY_SYM)
    time.sleep(0.3)

def press(win, name):
    action = control(win, name).queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index('Press'))

def print_windows(heading):
    print(heading + ':')
    for w in windows():
        box = w.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(f'window {box.x},{box.y} {box.width}x{box.height}')

main = window('Veldo 播放器')
check_tree(main, dict(MAIN))
assert control(main, '播放进度').queryValue().maximumValue == 500
assert control(main, '已播放').queryText().getText(0, -1) == '00：00'
until(lambda: focused(main) == ['搜索框'])
key('Tab'), key('Tab')
assert focused(main) == ['列表'], focused(main)
key('Return')
listed = window('VELDO列表')
check_tree(listed, dict(LIST))
entries = control(listed, '声音列表')
print_windows('with the list')
key('Down'), key('Up'), key('Return')  # the first entry, from the keyboard
until(lambda: showing(main, '暂停'))
first = entries.getChildAtIndex(0).name
until(lambda: any(c.name == first for c in controls(main)))
press(main, '暂停'), until(lambda: showing(main, '播放'))
press(main, '播放'), until(lambda: showing(main, '暂停'))
played = lambda: int(''.join(filter(str.isdigit, control(main, '已播放').queryText().getText(0, -1))))
until(lambda: played() >= 2)  # mmss
press(main, '下载')
until(lambda: glob.glob(MUSICS + '/*.mp3'))
until(lambda: len(windows()) == 3)
print_windows('with the message')
key('Escape')
until(lambda: len(windows()) == 2)
press(main, '关闭')
print('flow done')
