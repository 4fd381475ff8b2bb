#!/usr/bin/python3
"""The names a screen reader finds for the controls of an application's windows, through AT-SPI:
every showing node below the windows, but the rows and cells of lists and tables, which are
data. One name a line. Exits with 1 while the application is not on the accessibility bus.
    usage: accessible_names.py APPLICATION
"""
import sys

import pyatspi

DATA_VIEWS = {pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST}


def names_below(node):
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        yield child.name
        if child.getRole() not in DATA_VIEWS:
            yield from names_below(child)


def main():
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.name == sys.argv[1]:
            for window in application:
                for name in names_below(window):
                    print(name)
            return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
