#!/usr/bin/python3
"""Prints the first sheet of an .xls file as xlrd reads it, as one JSON object:
{"rows": n, "cols": n, "strings": shared strings, "cells": [[row, col, "n", hex] or [row, col, "t", text]]}
Rows and columns count from 1; numbers are given as float.hex() so that every bit compares."""
import json, sys
import xlrd

book = xlrd.open_workbook(sys.argv[1], on_demand=True)  # keeps the shared strings
sheet = book.sheet_by_index(0)
cells = []
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_NUMBER:
            cells.append([r + 1, c + 1, 'n', float(cell.value).hex()])
        elif cell.ctype == xlrd.XL_CELL_TEXT:
            cells.append([r + 1, c + 1, 't', cell.value])
        elif cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
            cells.append([r + 1, c + 1, 'other', repr(cell.value)])
print(json.dumps({'rows': sheet.nrows, 'cols': sheet.ncols, 'strings': len(book._sharedstrings), 'cells': cells}))
