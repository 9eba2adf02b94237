#!/usr/bin/python3
"""Both builds give the same verdict on every picture under tests/data.

builds_agree.py NATIVE_CELPACK WINDOWS_CELPACK_EXE DATA_DIR WORK_DIR

Each .bmp, .ico and .png file (fixtures and malformed files alike) is
copied into a directory of its own and converted by the native program and
by the Windows program under Wine (WINEPREFIX from the environment). The
verdicts must match: the same 8192 bytes, or the same message text and no
font. The Windows program's box text is read from Wine's relay trace of
MessageBoxW, so no display is needed.
"""
import os
import re
import shutil
import subprocess
import sys

native, windows, data, work = (os.path.abspath(a) for a in sys.argv[1:5])
PICTURES = ('.bmp', '.ico', '.png')


def unescape_wine(text):
    """A string as Wine's debug traces print it, back to its characters."""
    out, i = [], 0
    simple = {'n': '\n', 'r': '\r', 't': '\t', '"': '"', '\\': '\\'}
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text) and text[i + 1] in simple:
            out.append(simple[text[i + 1]])
            i += 2
        elif c == '\\' and re.match(r'[0-9a-f]{4}', text[i + 1:i + 5]):
            out.append(chr(int(text[i + 1:i + 5], 16)))
            i += 5
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def verdict(directory, name, command, environment=None):
    """(font bytes or None, [messages]) of one run."""
    result = subprocess.run(command, cwd=directory, env=environment,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
    if result.returncode != 0:
        return None, ['exit code %d' % result.returncode]
    errors = result.stderr.decode('utf-8', 'surrogateescape')
    if environment is None:
        messages = [line for line in errors.splitlines() if line]
    else:
        messages = []
        for line in errors.splitlines():
            match = re.search(r'Call user32\.MessageBoxW\([0-9a-f]+,[0-9a-f]+ L"(.*)",[0-9a-f]+ L"(.*)",[0-9a-f]+\)', line)
            if match:
                messages.append(unescape_wine(match.group(2)) + ': ' + unescape_wine(match.group(1)))
    font_path = os.path.join(directory, name + '.fnt')
    font = open(font_path, 'rb').read() if os.path.exists(font_path) else None
    return font, messages


def main():
    for program in (native, windows):
        if not os.path.exists(program):
            print('missing %s: build the native and win32 presets first' % program)
            return 1
    wine_environment = dict(os.environ, WINEDEBUG='-all,+relay',
                            WINEDLLOVERRIDES='mscoree,mshtml=')
    # Only MessageBoxW is traced.
    subprocess.run(['wine', 'reg', 'add', r'HKCU\Software\Wine\Debug', '/v', 'RelayInclude',
                    '/t', 'REG_SZ', '/d', 'user32.MessageBoxW', '/f'],
                   env=dict(wine_environment, WINEDEBUG='-all'), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shutil.rmtree(work, ignore_errors=True)
    pictures = sorted(os.path.relpath(os.path.join(root, f), data)
                      for root, _, files in os.walk(data) for f in files
                      if f.lower().endswith(PICTURES))
    passed = failed = fonts = refusals = 0
    for relative in pictures:
        name = os.path.basename(relative)
        runs = {}
        for build, command, environment in (('native', [native, name], None),
                                            ('windows', ['wine', windows, name], wine_environment)):
            directory = os.path.join(work, build, relative.replace(os.sep, '__'))
            os.makedirs(directory)
            shutil.copyfile(os.path.join(data, relative), os.path.join(directory, name))
            runs[build] = verdict(directory, name, command, environment)
        (native_font, native_messages), (windows_font, windows_messages) = runs['native'], runs['windows']
        problems = []
        if native_messages != windows_messages:
            problems.append('messages differ: native %r, windows %r' % (native_messages, windows_messages))
        if native_font != windows_font:
            problems.append('fonts differ: native %s, windows %s' % (
                'none' if native_font is None else '%d bytes' % len(native_font),
                'none' if windows_font is None else '%d bytes' % len(windows_font)))
        if native_font is not None and (len(native_font) != 8192 or native_messages):
            problems.append('a font of %d bytes with messages %r' % (len(native_font), native_messages))
        if native_font is None and len(native_messages) != 1:
            problems.append('no font and %d messages' % len(native_messages))
        if problems:
            failed += 1
            print('DIFFER %s: %s' % (relative, '; '.join(problems)))
        else:
            passed += 1
            if native_font is None:
                refusals += 1
            else:
                fonts += 1
            print('same   %s: %s' % (relative, 'font' if native_font else native_messages[0]))
    print('%d pictures: %d fonts and %d refusals the same on both builds' % (len(pictures), fonts, refusals))
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed or not pictures else 0


sys.exit(main())
