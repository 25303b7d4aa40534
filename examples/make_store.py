#!/usr/bin/env python3
"""Writes the sample configuration store under examples/store.

Two alarm systems, north and south, each with its process definitions and its
outputs folder; the system ini; the shared device type and instance lists; and
the device descriptions of the sample modules. Files are written the way the
configuration tools on site write them: 8-bit text with CR LF line ends.

Usage: examples/make_store.py [TARGET_DIR]   (default: examples/store next to this script)
"""

import os
import shutil
import sys

PLUGIN = "alm_tolv_output"
CRLF = "\r\n"


def write(root, rel, lines, final_newline=True):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    text = CRLF.join(lines) + (CRLF if final_newline else "")
    with open(path, "wb") as f:
        f.write(text.encode("cp1252"))


# Equipment of each system: (group, area, priority, name prefixes, alarm suffixes with texts)
NORTH = [
    ("Pumps", "Pump house", 2, [f"P{i}" for i in range(1, 13)],
     [("_RUN", "running"), ("_TRIP", "tripped"), ("_AUTO", "in automatic"), ("_FAIL", "failed to start")]),
    ("Boilers", "Boiler house", 1, [f"B{i}" for i in range(1, 7)],
     [("_FLAME", "flame failure"), ("_HI_TEMP", "high temperature"), ("_LO_WATER", "low water"),
      ("_PRESS_HI", "high pressure"), ("_LOCKOUT", "locked out")]),
    ("Fans", "Plant room", 3, [f"F{i}" for i in range(1, 11)],
     [("_RUN", "running"), ("_TRIP", "tripped"), ("_FILTER", "filter dirty")]),
    ("Valves", "Distribution", 4, [f"V{i}" for i in range(101, 141)],
     [("_OPEN", "open"), ("_CLOSED", "closed")]),
    ("Tanks", "Tank farm", 2, [f"T{i}" for i in range(1, 13)],
     [("_HI", "level high"), ("_HIHI", "level high high"), ("_LO", "level low"), ("_LOLO", "level low low")]),
    ("Fire", "Site", 1, [f"FZ{i}" for i in range(1, 21)],
     [("_ALARM", "fire alarm"), ("_FAULT", "zone fault")]),
    ("Power", "Switch room", 1, ["PS"],
     [("_MAINS_FAIL", "mains failure"), ("_UPS_ON_BATT", "UPS on battery"), ("_UPS_FAULT", "UPS fault"),
      ("_GEN_RUN", "generator running"), ("_GEN_FAIL", "generator failed"), ("_BREAKER_TRIP", "breaker tripped")]),
]

SOUTH = [
    ("Conveyors", "Warehouse", 2, [f"C{i}" for i in range(1, 17)],
     [("_RUN", "running"), ("_TRIP", "tripped"), ("_BELT_SLIP", "belt slip"), ("_PULL_CORD", "pull cord")]),
    ("Compressors", "Compressor house", 2, [f"K{i}" for i in range(1, 7)],
     [("_RUN", "running"), ("_TRIP", "tripped"), ("_OIL_PRESS", "low oil pressure"), ("_TEMP_HI", "high temperature")]),
    ("Doors", "Perimeter", 3, [f"D{i}" for i in range(1, 31)],
     [("_OPEN", "open"), ("_FORCED", "forced")]),
    ("Lighting", "Yard", 4, [f"L{i}" for i in range(1, 13)], [("_FAIL", "lamp failure")]),
    ("HVAC", "Offices", 3, [f"AHU{i}" for i in range(1, 9)],
     [("_RUN", "running"), ("_TRIP", "tripped"), ("_FILTER", "filter dirty"), ("_FROST", "frost protection")]),
    ("Power", "Switch room", 1, ["PS"],
     [("_MAINS_FAIL", "mains failure"), ("_UPS_ON_BATT", "UPS on battery"), ("_UPS_FAULT", "UPS fault")]),
]


def proc_def(equipment):
    lines = []
    number = 0
    for group, area, priority, prefixes, suffixes in equipment:
        for prefix in prefixes:
            for suffix, text in suffixes:
                number += 1
                lines += [f"[{prefix}{suffix}]",
                          f"Description={group[:-1] if group.endswith('s') else group} {prefix} {text}",
                          f"Group={group}",
                          f"Area={area}",
                          f"Priority={priority}",
                          f"Delay={0 if priority == 1 else 5}",
                          f"Number={number}"]
    return lines


class Template:
    def __init__(self, name, base, offset, prefix, params, instances):
        self.name, self.base, self.offset, self.prefix = name, base, offset, prefix
        self.params, self.instances = params, instances

    def slots(self):
        out = {}
        for k, inst in enumerate(self.instances):
            for param, slot in self.params.items():
                out[inst + param] = slot + self.base + k * self.offset
        return out


class Module:
    def __init__(self, system, number, name, driver, templates, free, db=False):
        self.system, self.number, self.name, self.driver = system, number, name, driver
        self.templates, self.free, self.db = templates, free, db

    @property
    def type_id(self):
        return f"{self.system}_{self.name}"

    def file_lines(self):
        lines = ["[System]", f"Name={self.name}", f"ConfigTool={PLUGIN}",
                 "Module=alm_tolv_op" + ("db" if self.db else ""), f"AlmSystem={self.system}",
                 "[TOLV_CONFIG]", f"Driver={self.driver}"]
        if self.templates:
            lines.append("[Templates]")
            lines += [f"{t.name}={t.base},{t.offset},'{t.prefix}'" for t in self.templates]
            lines.append("[Instances]")
            lines += [f"{t.name}=" + "".join(i + "," for i in t.instances) for t in self.templates]
        lines.append("[Process]")
        slots = dict(self.free)
        for t in self.templates:
            slots.update(t.slots())
        lines += [f"{p}={s}" for p, s in sorted(slots.items())]
        return lines


def dev_desc(type_id, params):
    lines = ['<?xml version="1.0"?>',
             '<!DOCTYPE device_description SYSTEM "device_description.dtd">',
             f'<device_description name="{type_id}">']
    for name, slot in params:
        lines += [f'\t<param name="{name}" slot="{slot}" class="enum" style="popup_list" '
                  f'access="readwrite" template="alarmButton">', "\t</param>"]
    lines.append("</device_description>")
    return lines


MODULES = [
    Module("north", 1, "Pumps", 12,
           [Template("pump", 0, 10, "P1", {"_AUTO": 3, "_FAIL": 4, "_RUN": 1, "_TRIP": 2},
                     [f"P{i}" for i in range(1, 9)])],
           {"PS_MAINS_FAIL": 100, "PS_UPS_ON_BATT": 101, "PS_UPS_FAULT": 102}),
    Module("north", 2, "Boilers", 13,
           [Template("boiler", 0, 8, "B1",
                     {"_FLAME": 1, "_HI_TEMP": 2, "_LOCKOUT": 5, "_LO_WATER": 3, "_PRESS_HI": 4},
                     [f"B{i}" for i in range(1, 7)])],
           {f"T{i}{s}": 60 + 4 * (i - 1) + j for i in range(1, 5)
            for j, s in enumerate(["_HI", "_HIHI", "_LO", "_LOLO"])},
           db=True),
    Module("south", 1, "Conveyors", 20, [],
           {f"C{i}_TRIP": i for i in range(1, 17)}),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "store")
    if os.path.isdir(root):
        shutil.rmtree(root)

    write(root, "config/alarms/north/proc_def.cfg", proc_def(NORTH))
    write(root, "config/alarms/south/proc_def.cfg", proc_def(SOUTH))

    for m in MODULES:
        write(root, f"config/alarms/{m.system}/outputs/al_out_{m.number:04d}.cfg", m.file_lines())

    # A module file that belongs to another output tool; the plug-in leaves it alone.
    write(root, "config/alarms/north/outputs/al_out_0003.cfg",
          ["[System]", "Name=Modbus gateway", "ConfigTool=alm_modbus_output",
           "Module=alm_modbus_op", "AlmSystem=north", "[MODBUS_CONFIG]", "Port=502",
           "Unit=1", "[Process]", "V101_OPEN=1", "V101_CLOSED=2"])

    write(root, "config/system/tolv_system.ini",
          ["[General]", "Site=Harbour works", "Version=4.2",
           "[Status]", "DeviceInfodriverId=5", "Heartbeat=30",
           "[Alarms]", "Systems=north,south"])

    types = ['<?xml version = \'1.0\' encoding=\'windows-1252\' ?>',
             '<!DOCTYPE devicetypes SYSTEM "devicetypes.dtd">',
             "<devicetypes>",
             '    <type id="modbus_gateway" family="io" composite="yes"/>',
             '    <type id="fire_panel" family="fire" composite="yes"/>']
    instances = ['<?xml version = \'1.0\' encoding=\'windows-1252\' ?>',
                 '<!DOCTYPE instances SYSTEM "instances.dtd">',
                 "<instances>",
                 '    <instance id="gateway_1" type="modbus_gateway" composite="yes" ref="device=40,offset=0"/>',
                 '    <instance id="fire_panel_1" type="fire_panel" composite="yes" ref="device=41,offset=0"/>']
    for m in MODULES:
        base = m.type_id
        types.append(f'\t<type id="{base}" family="alarms" composite="no"/>')
        instances.append(f'\t<instance id="{base}" type="{base}" composite="no" '
                         f'ref="device={m.driver},offset=0"/>')
        for t in m.templates:
            tid = f"{base}_{t.name}"
            types.append(f'\t<type id="{tid}" family="alarms" composite="no"/>')
            for k, inst in enumerate(t.instances):
                instances.append(f'\t<instance id="{base}_{inst}" type="{tid}" composite="no" '
                                 f'ref="device={m.driver},offset={t.base + k * t.offset}"/>')
            write(root, f"config/devicetypes/{tid}.xml",
                  dev_desc(tid, sorted(t.params.items())), final_newline=False)
        write(root, f"config/devicetypes/{base}.xml",
              dev_desc(base, sorted(m.free.items())), final_newline=False)
    types.append("</devicetypes>")
    instances.append("</instances>")
    write(root, "config/devicetypes.xml", types)
    write(root, "config/instances.xml", instances)


if __name__ == "__main__":
    main()
