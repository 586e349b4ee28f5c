#!/usr/bin/env python3
"""Makes the workbook fixtures of the workbook tests (run in this folder; needs soffice, gsf,
python3-xlwt and gnumeric's ssconvert; name fixtures as arguments to make only those).

calc_table.fods       the table as a LibreOffice document: texts, numbers, two formulas, a second sheet
calc_table.xls        that document saved by LibreOffice Calc as Excel 97 (shared strings, RK, MULRK, formulas)
calc_table_xlsx.xls   the same saved as .xlsx, under an .xls name
calc_table_biff5.xls  the same table as an Excel 5 workbook ("Book" stream): LABEL, RK, MULRK, NUMBER,
                      formulas with a number and a text result
calc_password.xls     an Excel 97 workbook whose globals carry a password record
gnumeric_table.xls    calc_table.xls saved by gnumeric as Excel 97 (BIFF8)
gnumeric_table_biff5.xls  the same saved by gnumeric as Excel 95 (BIFF7, read as BIFF5)
xlwt_overwritten.xls  the table as xlwt writes it, B4 first written as a text and then overwritten
                      by the number 21: the text stays behind, unused, in the shared strings

hostile/ holds damaged workbooks that fuzzing made, kept as found (no generator).
"""
import os, struct, subprocess, sys, tempfile

POINTS = [(5 * i, 3.14159265358979 if i == 7 else (5 * i) ** 2 / 4.0) for i in range(21)]

def fods():
    def text(t): return f'<table:table-cell office:value-type="string"><text:p>{t}</text:p></table:table-cell>'
    def num(x): return f'<table:table-cell office:value-type="float" office:value="{x!r}"><text:p>{x!r}</text:p></table:table-cell>'
    def formula(f, x): return f'<table:table-cell table:formula="of:={f}" office:value-type="float" office:value="{x!r}"><text:p>{x!r}</text:p></table:table-cell>'
    rows = [[text('Pointer'), text('10')], [text('Version'), text('10')], [text('Step'), num(5)],
            [text('Points'), num(21)], [text('1- l/mm 0 - mm/l'), text('1')], [text('Max level'), num(100)],
            [text('Max Volume'), formula('[.B30]', 2500.0)], ['<table:table-cell/>'], ['<table:table-cell/>']]
    for i, (l, v) in enumerate(POINTS):
        rows.append([num(l), formula('[.A22]*[.A22]/4', v) if i == 12 else num(v)])
    body = '\n'.join('<table:table-row>' + ''.join(r) + '</table:table-row>' for r in rows)
    return f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:table table:name="Table">
{body}
</table:table>
<table:table table:name="Other"><table:table-row>{text('not this sheet')}{num(1)}</table:table-row></table:table>
</office:spreadsheet></office:body></office:document>
'''

def rec(t, data=b''): return struct.pack('<HH', t, len(data)) + data

def rk(x):
    if x == int(x) and abs(x) < 2 ** 29: return (int(x) << 2) | 2
    if x * 100 == int(x * 100): return (int(x * 100) << 2) | 3
    return None

def biff5():
    cell = lambda r, c: struct.pack('<HHH', r - 1, c - 1, 15)
    label = lambda r, c, t: rec(0x0204, cell(r, c) + struct.pack('<H', len(t)) + t.encode('cp1252'))
    def number(r, c, x):
        k = rk(x)
        return rec(0x027E, cell(r, c) + struct.pack('<I', k & 0xFFFFFFFF)) if k is not None else rec(0x0203, cell(r, c) + struct.pack('<d', x))
    def formula(r, c, result):
        if isinstance(result, str):
            value = b'\x00\x00\x00\x00\x00\x00\xff\xff'
        else:
            value = struct.pack('<d', result)
        body = rec(0x0006, cell(r, c) + value + struct.pack('<HI', 0, 0) + struct.pack('<H', 1) + b'\x17')
        if isinstance(result, str):
            body += rec(0x0207, struct.pack('<H', len(result)) + result.encode('cp1252'))
        return body
    sheet = rec(0x0809, struct.pack('<HHHH', 0x0500, 0x10, 0x0DBB, 0x07CC))
    sheet += rec(0x0200, struct.pack('<HHHHH', 0, 30, 0, 2, 0))
    for r, t in enumerate(['Pointer', 'Version', 'Step', 'Points', '1- l/mm 0 - mm/l', 'Max level', 'Max Volume'], 1):
        sheet += label(r, 1, t)
        if r in (1, 2): sheet += label(r, 2, '10')
        if r == 3: sheet += label(r, 2, '5')          # the step as a text cell
        if r == 4: sheet += number(r, 2, 21)
        if r == 5: sheet += formula(r, 2, '1')        # mode as a formula's text result
        if r == 6: sheet += number(r, 2, 100)
        if r == 7: sheet += formula(r, 2, 2500.0)
    for i, (l, v) in enumerate(POINTS):
        r = 10 + i
        if rk(l) is not None and rk(v) is not None:
            sheet += rec(0x00BD, struct.pack('<HH', r - 1, 0) + struct.pack('<HI', 15, rk(l)) + struct.pack('<HI', 15, rk(v)) + struct.pack('<H', 1))
        else:
            sheet += number(r, 1, l) + number(r, 2, v)
    sheet += rec(0x000A)
    def globals_(sheet_pos):
        g = rec(0x0809, struct.pack('<HHHH', 0x0500, 0x05, 0x0DBB, 0x07CC))
        g += rec(0x0042, struct.pack('<H', 1252))
        g += rec(0x0085, struct.pack('<IBBB', sheet_pos, 0, 0, 5) + b'Table')
        return g + rec(0x000A)
    size = len(globals_(0))
    return globals_(size) + sheet

def password_biff8():
    g = rec(0x0809, struct.pack('<HHHHII', 0x0600, 0x05, 0x0DBB, 0x07CC, 0, 6))
    g += rec(0x002F, struct.pack('<HHH', 1, 1, 1) + bytes(range(48)))  # RC4 header, made-up salt and verifier
    g += rec(0x0042, struct.pack('<H', 1200))
    sheet_pos_at = len(g) + 4
    g += rec(0x0085, struct.pack('<IBBBB', 0, 0, 0, 6, 0) + b'Sheet1')
    g += rec(0x000A)
    g = g[:sheet_pos_at] + struct.pack('<I', len(g)) + g[sheet_pos_at + 4:]
    s = rec(0x0809, struct.pack('<HHHHII', 0x0600, 0x10, 0x0DBB, 0x07CC, 0, 6))
    s += rec(0x0200, struct.pack('<IIHHH', 0, 1, 0, 1, 0)) + rec(0x0203, struct.pack('<HHHd', 0, 0, 15, 1.0)) + rec(0x000A)
    return (g + s).ljust(4096, b'\0')

def ole(path, name, data):
    with tempfile.TemporaryDirectory() as d:
        with open(os.path.join(d, name), 'wb') as f: f.write(data)
        subprocess.run(['gsf', 'createole', os.path.abspath(path), name], cwd=d, check=True)

def xlwt_overwritten(path):
    import xlwt
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Table', cell_overwrite_ok=True)
    for r, t in enumerate(['Pointer', 'Version', 'Step', 'Points', '1- l/mm 0 - mm/l', 'Max level', 'Max Volume']):
        ws.write(r, 0, t)
    for r, v in ((0, '10'), (1, '10'), (2, 5), (3, 'twenty-one'), (3, 21), (4, '1'), (5, 100), (6, 2500)):
        ws.write(r, 1, v)
    for i, (l, v) in enumerate(POINTS):
        ws.write(9 + i, 0, l)
        ws.write(9 + i, 1, v)
    wb.save(path)

def calc():
    with open('calc_table.fods', 'w') as f: f.write(fods())
    with tempfile.TemporaryDirectory() as d:
        env = dict(os.environ, HOME=d)
        for fmt, out in (('xls:MS Excel 97', 'calc_table.xls'), ('xlsx:Calc MS Excel 2007 XML', 'calc_table_xlsx.xls')):
            subprocess.run(['soffice', '--headless', '--convert-to', fmt, '--outdir', d, 'calc_table.fods'], env=env, check=True)
            os.replace(os.path.join(d, 'calc_table.' + fmt.split(':')[0]), out)

def gnumeric(biff, out):
    subprocess.run(['ssconvert', f'--export-type=Gnumeric_Excel:excel_{biff}', 'calc_table.xls', out], check=True)

if __name__ == '__main__':
    makers = {
        'calc_table.xls': calc,
        'calc_table_biff5.xls': lambda: ole('calc_table_biff5.xls', 'Book', biff5().ljust(4096, b'\0')),
        'calc_password.xls': lambda: ole('calc_password.xls', 'Workbook', password_biff8()),
        'xlwt_overwritten.xls': lambda: xlwt_overwritten('xlwt_overwritten.xls'),
        'gnumeric_table.xls': lambda: gnumeric('biff8', 'gnumeric_table.xls'),
        'gnumeric_table_biff5.xls': lambda: gnumeric('biff7', 'gnumeric_table_biff5.xls'),
    }
    for name in sys.argv[1:] or makers:
        makers[name]()
