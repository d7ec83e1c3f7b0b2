"""A small ModemManager for the port list tests, made with the mock's object
API: an object manager at /org/freedesktop/ModemManager1 whose modems a test
adds with Mock.AddModem.

Load it with `python3 -m dbusmock --system --template <this file>`.
"""
import dbus

from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.ModemManager1'
MAIN_OBJ = '/org/freedesktop/ModemManager1'
MAIN_IFACE = 'org.freedesktop.ModemManager1'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MODEM_IFACE = 'org.freedesktop.ModemManager1.Modem'
MOCK_IFACE = 'org.freedesktop.ModemManager1.Mock'


def load(mock, _parameters):
    mock.modem_count = 0


@dbus.service.method(MOCK_IFACE, in_signature='sssasau', out_signature='o')
def AddModem(self, manufacturer, model, primary_port, port_names, port_types):
    '''Adds a modem with its ports (name and port type, 3 for AT) and
    returns its object path.'''
    path = f'{MAIN_OBJ}/Modem/{self.modem_count}'
    self.modem_count += 1
    ports = dbus.Array([dbus.Struct((str(name), dbus.UInt32(kind)), signature='su')
                        for name, kind in zip(port_names, port_types)], signature='(su)')
    self.AddObject(path, MODEM_IFACE, {
        'Manufacturer': dbus.String(manufacturer),
        'Model': dbus.String(model),
        'PrimaryPort': dbus.String(primary_port),
        'Ports': ports,
        'Device': dbus.String('/sys/devices/mock/' + str(self.modem_count)),
    }, [])
    return dbus.ObjectPath(path)
