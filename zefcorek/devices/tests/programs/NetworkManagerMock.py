#!/usr/bin/python3
"""A mock NetworkManager on a private session bus, for the WLAN back-end tests.

Starts its own dbus-daemon (never the machine's buses), loads the mock's
networkmanager template, adds one Wi-Fi device that sees a WPA2-PSK network
from two access points and an open one, prints the bus address on a line of
its own and serves until SIGTERM (or 120 s at most), then stops both.
"""
import os
import signal
import subprocess
import sys
import time

import dbus
import dbusmock

WPA2_PSK_CCMP = 0x100 | 0x8 | 0x80  # key management PSK, pairwise and group CCMP
WPA_PSK_TKIP = 0x100 | 0x4 | 0x40  # key management PSK, pairwise and group TKIP
AP_IFACE = 'org.freedesktop.NetworkManager.AccessPoint'
DISCONNECTED = 30
INFRASTRUCTURE = 2


def stop(_signum, _frame):
    raise SystemExit(0)


def main():
    signal.signal(signal.SIGTERM, stop)
    dbusmock.DBusTestCase.start_session_bus()
    server = None
    try:
        server, obj = dbusmock.DBusTestCase.spawn_server_template(
            'networkmanager', {}, stdout=subprocess.DEVNULL, system_bus=False)
        mock = dbus.Interface(obj, dbusmock.MOCK_IFACE)
        device = mock.AddWiFiDevice('mock_wifi', 'wlan0', DISCONNECTED)
        mock.AddAccessPoint(device, 'home_a', 'HomeNet', '00:11:22:33:44:01', INFRASTRUCTURE,
                            2437, 54000, 60, WPA2_PSK_CCMP)
        mock.AddAccessPoint(device, 'home_b', 'HomeNet', '00:11:22:33:44:02', INFRASTRUCTURE,
                            5180, 54000, 85, WPA2_PSK_CCMP)
        mock.AddAccessPoint(device, 'cafe', 'Cafe', '00:11:22:33:44:03', INFRASTRUCTURE,
                            2412, 54000, 40, 0)
        # The template sets WpaFlags and RsnFlags alike; WEP (privacy flag
        # only) and WPA without RSN are set here afterwards.
        wep = mock.AddAccessPoint(device, 'wep', 'OldWep', '00:11:22:33:44:04', INFRASTRUCTURE,
                                  2412, 11000, 30, 0)
        mock.SetProperty(wep, AP_IFACE, 'Flags', dbus.UInt32(1))
        wpa = mock.AddAccessPoint(device, 'wpa', 'Legacy', '00:11:22:33:44:05', INFRASTRUCTURE,
                                  2412, 54000, 20, WPA_PSK_TKIP)
        mock.SetProperty(wpa, AP_IFACE, 'RsnFlags', dbus.UInt32(0))
        print(os.environ['DBUS_SESSION_BUS_ADDRESS'], flush=True)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            time.sleep(0.1)
    finally:
        if server is not None:
            server.terminate()
            server.wait()
        dbusmock.DBusTestCase.stop_dbus(dbusmock.DBusTestCase.session_bus_pid)


if __name__ == '__main__':
    sys.exit(main())
