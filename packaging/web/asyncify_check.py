#!/usr/bin/env python3
"""Checks the page's list of the functions that may be on the stack when it sleeps.

    asyncify_check.py <program.wasm with function names> <asyncify-only.txt> [<plain list>]

Once the check passes, the plain list (one function a line, for -sASYNCIFY_ONLY=@file) is
written where the third argument says.

The page's program is built with Asyncify limited to the functions in asyncify-only.txt
(ASYNCIFY_ONLY): only they can be unwound and rewound around a wait, and every other function
stays as small and fast as without Asyncify. A function missing from the list that is on the
stack during a wait breaks the program, so this check walks the program's call graph from
every import that sleeps (emscripten_sleep and the program's own EM_ASYNC_JS waits) to
everything that can reach it and fails when the list misses one of them, or names a function
the program no longer has.

The graph is the program's direct calls and the calls made through the trampolines of C++
exceptions (invoke_*), whose target is a function address the caller holds as a constant.
Calls through a virtual table or a function pointer cannot be followed: the list names the
functions that make such calls on a sleeping path (under "# calls that sleep through a
pointer" in the list), and the walk starts from them too. So that none is forgotten, every
function the walk reaches whose address the program takes (a virtual function, a callback)
must be named under "# reached through a pointer", once its callers are in the list.
Functions under "# never sleep here" are left out with their reason.
"""
import re
import sys

SLEEPS = {"emscripten_sleep"}
# The program's own waits (EM_ASYNC_JS) are imports with this prefix.
ASYNC_JS = "__asyncjs__"


def leb(data, i, signed=False):
    result = shift = 0
    while True:
        byte = data[i]
        i += 1
        result |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            if signed and byte & 0x40:
                result -= 1 << shift
            return result, i


def sections(data):
    i = 8
    while i < len(data):
        kind = data[i]
        size, i = leb(data, i + 1)
        yield kind, data[i:i + size]
        i += size


def name_of(body, i):
    n, i = leb(body, i)
    return body[i:i + n].decode("utf-8", "replace"), i + n


def skip_blocktype(code, i):
    if code[i] == 0x40 or code[i] >= 0x6F:
        return i + 1
    _, i = leb(code, i, signed=True)
    return i


MEMARG = set(range(0x28, 0x3F))
# block, loop, if, else, end, br, br_if, br_table, return, call, call_indirect, drop,
# local.set, global.set and the stores.
STATEMENT_ENDS = {0x02, 0x03, 0x04, 0x05, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x1A, 0x21,
                  0x24} | set(range(0x36, 0x3F))
ONE_INDEX = {0x0C, 0x0D, 0x10, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0xD2}


def instructions(code):
    """Yields (opcode, immediate) for every instruction of a function body; the immediate is
    the callee of a call, the value of an i32 constant, and None otherwise."""
    count, i = leb(code, 0)
    for _ in range(count):
        _, i = leb(code, i)
        i += 1
    while i < len(code):
        op = code[i]
        i += 1
        value = None
        if op in (0x02, 0x03, 0x04):
            i = skip_blocktype(code, i)
        elif op in ONE_INDEX:
            value, i = leb(code, i)
        elif op == 0x0E:
            n, i = leb(code, i)
            for _ in range(n + 1):
                _, i = leb(code, i)
        elif op == 0x11:
            _, i = leb(code, i)
            _, i = leb(code, i)
        elif op in MEMARG:
            _, i = leb(code, i)
            _, i = leb(code, i)
        elif op in (0x3F, 0x40, 0xD0):
            i += 1
        elif op == 0x41:
            value, i = leb(code, i, signed=True)
        elif op == 0x42:
            _, i = leb(code, i, signed=True)
        elif op == 0x43:
            i += 4
        elif op == 0x44:
            i += 8
        elif op == 0x1C:
            n, i = leb(code, i)
            i += n
        elif op == 0xFC:
            sub, i = leb(code, i)
            if sub in (8, 12, 14):
                _, i = leb(code, i)
                if sub == 8:
                    i += 1
                else:
                    _, i = leb(code, i)
            elif sub in (9, 13, 15, 16, 17):
                _, i = leb(code, i)
            elif sub == 10:
                i += 2
            elif sub == 11:
                i += 1
        elif op == 0xFD:
            sys.exit("asyncify_check.py: SIMD instructions are not read")
        yield op, value


def read_program(path):
    data = open(path, "rb").read()
    imports, names, bodies, table = [], {}, [], {}
    for kind, body in sections(data):
        if kind == 2:
            n, i = leb(body, 0)
            for _ in range(n):
                _, i = name_of(body, i)
                field, i = name_of(body, i)
                what = body[i]
                i += 1
                if what == 0:
                    _, i = leb(body, i)
                    imports.append(field)
                elif what == 1:
                    i += 1
                    flags, i = leb(body, i)
                    _, i = leb(body, i)
                    if flags & 1:
                        _, i = leb(body, i)
                elif what == 2:
                    flags, i = leb(body, i)
                    _, i = leb(body, i)
                    if flags & 1:
                        _, i = leb(body, i)
                else:
                    i += 2
        elif kind == 9:
            n, i = leb(body, 0)
            for _ in range(n):
                flags, i = leb(body, i)
                if flags not in (0, 2):
                    sys.exit(f"asyncify_check.py: element segment kind {flags} is not read")
                if flags == 2:
                    _, i = leb(body, i)
                assert body[i] == 0x41
                offset, i = leb(body, i + 1, signed=True)
                assert body[i] == 0x0B
                i += 1
                if flags == 2:
                    i += 1
                count, i = leb(body, i)
                for k in range(count):
                    func, i = leb(body, i)
                    table[offset + k] = func
        elif kind == 10:
            n, i = leb(body, 0)
            for _ in range(n):
                size, i = leb(body, i)
                bodies.append(body[i:i + size])
                i += size
        elif kind == 0:
            section, i = name_of(body, 0)
            if section != "name":
                continue
            while i < len(body):
                sub = body[i]
                size, i = leb(body, i + 1)
                if sub == 1:
                    n, j = leb(body, i)
                    for _ in range(n):
                        index, j = leb(body, j)
                        names[index], j = name_of(body, j)
                i += size
    for index, field in enumerate(imports):
        names.setdefault(index, field)
    return imports, names, bodies, table


def read_list(path):
    only, pointer_calls, reached, never = set(), set(), set(), set()
    part = only
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("#"):
            if "calls that sleep through a pointer" in line:
                part = pointer_calls
            elif "reached through a pointer" in line:
                part = reached
            elif "never sleep here" in line:
                part = never
            continue
        name = line.split("  #")[0].strip()
        if name:
            part.add(name)
    return only | pointer_calls | reached, pointer_calls, reached, never


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    imports, names, bodies, table = read_program(sys.argv[1])
    listed, pointer_calls, reached, never = read_list(sys.argv[2])
    first = len(imports)
    callers = {}
    for k, code in enumerate(bodies):
        me = first + k
        # The address an invoke_* calls is its first argument: the first constant pushed
        # since the last instruction that left the operand stack as a statement leaves it.
        calls, pushed = set(), None
        for op, value in instructions(code):
            if op == 0x41:
                if pushed is None:
                    pushed = value
                continue
            if op == 0x10:
                calls.add(value)
                if value < first and imports[value].startswith("invoke_") and pushed in table:
                    calls.add(table[pushed])
            if op in STATEMENT_ENDS:
                pushed = None
        for callee in calls:
            callers.setdefault(callee, set()).add(me)

    unnamed = lambda f: names.get(f, f"function {f}")
    start = {f for f, n in names.items()
             if n in SLEEPS or n.startswith(ASYNC_JS) or n in pointer_calls}
    missing_roots = pointer_calls - {names[f] for f in start}
    reach, todo, why = set(), [(f, None) for f in start], {}
    while todo:
        f, callee = todo.pop()
        if f in reach or unnamed(f) in never:
            continue
        reach.add(f)
        why[f] = callee
        todo.extend((caller, f) for caller in callers.get(f, ()))

    # Why a function is in the walk: the calls from it down to where the wait is.
    def path(f):
        steps = [unnamed(f)]
        while why.get(f) is not None:
            f = why[f]
            steps.append(unnamed(f))
        return " -> ".join(steps)
    needed = {unnamed(f) for f in reach if f >= first}
    missing = sorted(needed - listed)
    known = set(names.values())
    stale = sorted(n for n in listed if n not in known) + sorted(missing_roots - known)
    taken = {unnamed(f) for f in reach if f in set(table.values()) and f >= first}
    unseen = sorted(taken - reached)
    for name in unseen:
        print(f"asyncify: {name} may wait and is called through a pointer: list the functions "
              f"that call it so, then name it under \"# reached through a pointer\"")
    by_name = {unnamed(f): f for f in reach}
    for name in missing:
        print(f"asyncify: {name} may be on the stack while the page waits, and is not in "
              f"{sys.argv[2]}:\n    {path(by_name[name])}")
    for name in sorted(set(stale)):
        print(f"asyncify: {sys.argv[2]} names {name}, which the program does not have")
    if missing or stale or unseen:
        sys.exit(1)
    if len(sys.argv) == 4:
        with open(sys.argv[3], "w", encoding="utf-8") as out:
            out.write("".join(f"{name}\n" for name in sorted(listed)))
    print(f"asyncify: the {len(listed)} functions listed cover every path to a wait "
          f"({len(needed)} found)")


if __name__ == "__main__":
    main()
