#!/usr/bin/env python3
"""Writes a large configuration store for timing tolv-check.

PROCESSES alarm processes spread over SYSTEMS alarm systems, and MODULES output
modules of this plug-in spread over the same systems, every process given a
slot by exactly one module. Every second module has a template (4 parameters,
10 instances) with its device description file; the shared files list every
module's types and instances. The store is clean: tolv-check exits 0 on it.

Usage: bench/make_check_store.py DIR [PROCESSES [MODULES [SYSTEMS]]]
       (defaults 100000, 500, 5)
"""

import os
import sys

CRLF = "\r\n"
PARAMS = ["_RUN", "_TRIP", "_AUTO", "_FAIL"]
INSTANCES = 10


def write(root, rel, lines):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write((CRLF.join(lines) + CRLF).encode("cp1252"))


def dev_desc(type_id, params):
    lines = ['<?xml version="1.0"?>',
             '<!DOCTYPE device_description SYSTEM "device_description.dtd">',
             f'<device_description name="{type_id}">']
    for name, slot in params:
        lines += [f'\t<param name="{name}" slot="{slot}" class="enum" style="popup_list" '
                  'access="readwrite" template="alarmButton">', "\t</param>"]
    lines.append("</device_description>")
    return lines


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    processes = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    modules = int(sys.argv[3]) if len(sys.argv) > 3 else 500
    systems = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    per_module = processes // modules
    types, instances = [], []
    write(root, "config/system/tolv_system.ini", ["[Status]", "DeviceInfodriverId=5"])
    for s in range(systems):
        system = f"sys{s + 1}"
        definitions = []
        mods = [m for m in range(modules) if m % systems == s]
        for m in mods:
            name = f"Module {m + 1}"
            type_id = f"{system}_{name}"
            driver = m + 1  # one infodriver per module
            lines = ["[System]", f"Name={name}", "ConfigTool=alm_tolv_output",
                     "Module=alm_tolv_op", f"AlmSystem={system}", "[TOLV_CONFIG]", f"Driver={driver}"]
            slots = []
            templated = m % 2 == 0 and per_module >= len(PARAMS) * INSTANCES
            free_from = 0
            types.append(type_id)
            instances.append((type_id, type_id, driver, 0))
            if templated:
                t_id = f"{type_id}_unit"
                inst = [f"M{m + 1}U{k + 1}" for k in range(INSTANCES)]
                lines += ["[Templates]", f"unit=0,{len(PARAMS)},'{inst[0]}'",
                          "[Instances]", "unit=" + "".join(i + "," for i in inst)]
                write(root, f"config/devicetypes/{t_id}.xml",
                      dev_desc(t_id, [(p, j + 1) for j, p in enumerate(PARAMS)]))
                types.append(t_id)
                for k, i in enumerate(inst):
                    instances.append((f"{type_id}_{i}", t_id, driver, k * len(PARAMS)))
                    for j, p in enumerate(PARAMS):
                        slots.append((i + p, k * len(PARAMS) + j + 1))
                free_from = len(slots)
            for n in range(per_module - len(slots)):
                slots.append((f"M{m + 1}_P{n + 1:05d}", free_from + n + 1))
            lines.append("[Process]")
            lines += [f"{p}={v}" for p, v in slots]
            write(root, f"config/alarms/{system}/outputs/al_out_{mods.index(m) + 1:04d}.cfg", lines)
            for p, _ in slots:
                definitions += [f"[{p}]", f"Description={p}", f"Group=G{m + 1}",
                                "Area=Plant", "Priority=2", "Delay=5"]
        write(root, f"config/alarms/{system}/proc_def.cfg", definitions)
    write(root, "config/devicetypes.xml",
          ["<?xml version = '1.0' encoding='windows-1252' ?>",
           '<!DOCTYPE devicetypes SYSTEM "devicetypes.dtd">', "<devicetypes>"]
          + [f'\t<type id="{t}" family="alarms" composite="no"/>' for t in types]
          + ["</devicetypes>"])
    write(root, "config/instances.xml",
          ["<?xml version = '1.0' encoding='windows-1252' ?>",
           '<!DOCTYPE instances SYSTEM "instances.dtd">', "<instances>"]
          + [f'\t<instance id="{i}" type="{t}" composite="no" ref="device={d},offset={o}"/>'
             for i, t, d, o in instances]
          + ["</instances>"])


if __name__ == "__main__":
    main()
