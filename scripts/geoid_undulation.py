#!/usr/bin/env python3
"""The geoid's undulation N (metres) at a position, bilinear in a .gtx grid (EGM96's
egm96_15.gtx by default, as Debian's proj-data installs it): a check beside the bridge's own
reading of the grid, for the end-to-end tests.

    scripts/geoid_undulation.py LATITUDE LONGITUDE [GRID]
"""
import math
import struct
import sys


def undulation(grid_path, lat, lon):
    with open(grid_path, 'rb') as grid:
        south, west, dlat, dlon, rows, cols = struct.unpack('>4d2i', grid.read(40))

        def value(row, col):
            grid.seek(40 + 4 * (row * cols + col))
            return struct.unpack('>f', grid.read(4))[0]

        y = (lat - south) / dlat
        x = ((lon - west) / dlon) % cols
        row, col = min(int(math.floor(y)), rows - 1), int(math.floor(x))
        fy, fx = y - row, x - col
        row1, col1 = min(row + 1, rows - 1), (col + 1) % cols
        return ((1 - fy) * (1 - fx) * value(row, col) + (1 - fy) * fx * value(row, col1)
                + fy * (1 - fx) * value(row1, col) + fy * fx * value(row1, col1))


if __name__ == '__main__':
    grid_file = sys.argv[3] if len(sys.argv) > 3 else '/usr/share/proj/egm96_15.gtx'
    print('%.3f' % undulation(grid_file, float(sys.argv[1]), float(sys.argv[2])))
