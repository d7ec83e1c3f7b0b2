"""The mock's bluez5 template, extended with what the pairing, profile and
service-search tests need and the template leaves out:

- the agent manager and the profile manager remember who registered what
  (agents per connection, as BlueZ keeps them);
- Device1.Pair calls the registered agent with the request a test planned
  (Mock.PlanPairing) and pairs when the agent agrees;
- Device1.ConnectProfile hands one end of a socket pair to the profile
  registered for the UUID (Profile1.NewConnection) and echoes what arrives at
  the other end;
- Device1.Connect resolves the services a test gave the device
  (Mock.SetServices) into its UUIDs, as BlueZ's service discovery does.

Load it with `python3 -m dbusmock --template <this file>`.
"""
import socket

import dbus
import dbus.lowlevel
import dbus.service
from gi.repository import GLib

from dbusmock import mockobject
from dbusmock.templates import bluez5 as stock
from dbusmock.templates.bluez5 import *  # noqa: F401,F403 (the stock template's methods and settings)

AGENT_IFACE = 'org.bluez.Agent1'
PROFILE_IFACE = 'org.bluez.Profile1'
AGENT_CALL_TIMEOUT = 120.0

# Agent request -> (signature, whether it carries the planned number, a reply is expected)
AGENT_REQUESTS = {
    'RequestPinCode': ('o', False, True),
    'RequestPasskey': ('o', False, True),
    'DisplayPasskey': ('ouq', True, False),
    'DisplayPinCode': ('os', True, True),
    'RequestConfirmation': ('ou', True, True),
    'RequestAuthorization': ('o', False, True),
}


def manager():
    return mockobject.objects['/org/bluez']


def device_of(address):
    for obj in mockobject.objects.values():
        if obj.props.get(stock.DEVICE_IFACE, {}).get('Address') == address:
            return obj
    raise dbus.exceptions.DBusException('no device ' + address, name='org.bluez.Mock.NoSuchDevice')


def replace_method(obj, interface, name, in_sig, out_sig, function, **options):
    '''Puts a plain dbus-python method in place of the mock's, so it may take
    the sender and answer asynchronously.'''
    method = dbus.service.method(interface, in_signature=in_sig, out_signature=out_sig, **options)(function)
    obj.methods.setdefault(interface, {})[name] = (in_sig, out_sig, '', method)


# Agents are kept per connection, as BlueZ keeps them: several clients may
# register the same path, and Pair asks the caller's own agent first.
def register_agent(bluez, agent_path, _capability, sender=None):
    if sender in bluez.agents:
        raise dbus.exceptions.DBusException('Already registered', name='org.bluez.Error.AlreadyExists')
    bluez.agents[sender] = str(agent_path)


def unregister_agent(bluez, _agent_path, sender=None):
    if bluez.agents.pop(sender, None) is None:
        raise dbus.exceptions.DBusException('No agent', name='org.bluez.Error.DoesNotExist')
    if bluez.default_agent_owner == sender:
        bluez.default_agent_owner = None


def request_default_agent(bluez, _agent_path, sender=None):
    if sender not in bluez.agents:
        raise dbus.exceptions.DBusException('No agent', name='org.bluez.Error.DoesNotExist')
    bluez.default_agent_owner = sender


def register_profile(bluez, profile_path, uuid, options, sender=None):
    bluez.profiles[str(uuid).lower()] = (sender, str(profile_path), dict(options))


def unregister_profile(bluez, profile_path):
    bluez.profiles = {uuid: p for uuid, p in bluez.profiles.items() if p[1] != str(profile_path)}


def finish_pairing(device):
    adapter = str(device.props[stock.DEVICE_IFACE]['Adapter']).rsplit('/', 1)[-1]
    device.PairDevice(adapter, device.props[stock.DEVICE_IFACE]['Address'], stock.MOCK_PHONE_CLASS)


def pair(device, reply, error, sender=None):
    bluez = manager()
    if device.paired:
        error(dbus.exceptions.DBusException('Device already paired', name='org.bluez.Error.AlreadyExists'))
        return
    plan = getattr(device, 'pairing_plan', None)
    owner = sender if sender in bluez.agents else bluez.default_agent_owner
    agent = bluez.agents.get(owner)
    if plan is None or agent is None:
        finish_pairing(device)
        reply()
        return

    def ask_planned():
        request, number = plan
        signature, carries_number, wants_reply = AGENT_REQUESTS[request]
        args = [dbus.ObjectPath(device.path)]
        if carries_number:
            args.append(dbus.String(str(number)) if signature == 'os' else dbus.UInt32(number))
        if request == 'DisplayPasskey':
            args.append(dbus.UInt16(0))
        device.cancelled = False

        def agreed(*answer):
            if device.cancelled:
                device.pairing_answer = 'cancelled'
                error(dbus.exceptions.DBusException('Canceled', name='org.bluez.Error.AuthenticationCanceled'))
                return
            device.pairing_answer = {'RequestPinCode': 'pin ', 'RequestPasskey': 'passkey '}.get(request, 'agreed')
            if answer:
                device.pairing_answer += str(answer[0])
            finish_pairing(device)
            reply()

        def refused(exception):
            device.pairing_answer = 'refused ' + exception.get_dbus_name()
            error(dbus.exceptions.DBusException('Rejected', name='org.bluez.Error.AuthenticationRejected'))

        connection = device.connection
        if wants_reply:
            connection.call_async(owner, agent, AGENT_IFACE, request, signature, args, agreed, refused,
                                  timeout=AGENT_CALL_TIMEOUT)
            return
        # A notification gets no answer. The agent cancels the pairing instead of
        # refusing; a ping behind it shows that the agent has dealt with it.
        message = dbus.lowlevel.MethodCallMessage(owner, agent, AGENT_IFACE, request)
        message.append(*args, signature=signature)
        message.set_no_reply(True)
        connection.send_message(message)
        connection.call_async(owner, '/', 'org.freedesktop.DBus.Peer', 'Ping', '', [], agreed, refused,
                              timeout=AGENT_CALL_TIMEOUT)

    # A request about another device comes first when a test planned one
    # (Mock.PlanStrangerRequest): an agent answers it without harm to ours.
    stranger = getattr(device, 'stranger', None)
    if stranger is None:
        ask_planned()
        return

    def stranger_agreed():
        device.stranger_answer = 'agreed'
        ask_planned()

    def stranger_refused(exception):
        device.stranger_answer = 'refused ' + exception.get_dbus_name()
        ask_planned()

    device.connection.call_async(owner, agent, AGENT_IFACE, 'RequestConfirmation', 'ou',
                                 [dbus.ObjectPath(stranger), dbus.UInt32(424242)],
                                 stranger_agreed, stranger_refused, timeout=AGENT_CALL_TIMEOUT)


def cancel_pairing(device):
    device.cancelled = True


def echo(channel, _condition, peer):
    data = peer.recv(4096)
    if not data:
        peer.close()
        return False
    peer.sendall(data)
    return True


def connect_profile(device, uuid, reply, error):
    profile = manager().profiles.get(str(uuid).lower())
    if profile is None or str(uuid).lower() not in getattr(device, 'sdp_services', []):
        error(dbus.exceptions.DBusException('Protocol not available', name='org.bluez.Error.NotAvailable'))
        return
    owner, path, _options = profile
    ours, theirs = socket.socketpair()

    def handed_over():
        theirs.close()
        device.peers = getattr(device, 'peers', []) + [ours]
        GLib.io_add_watch(ours.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, echo, ours)
        reply()

    def refused(exception):
        theirs.close()
        ours.close()
        error(dbus.exceptions.DBusException(exception.get_dbus_message(), name='org.bluez.Error.Failed'))

    device.connection.call_async(owner, path, PROFILE_IFACE, 'NewConnection', 'oha{sv}',
                                 [dbus.ObjectPath(device.path), dbus.types.UnixFd(theirs), {}],
                                 handed_over, refused, timeout=AGENT_CALL_TIMEOUT)


def connect(device):
    device.connect_count = getattr(device, 'connect_count', 0) + 1
    device.UpdateProperties(stock.DEVICE_IFACE, {
        'UUIDs': dbus.Array(getattr(device, 'sdp_services', []), signature='s', variant_level=1),
        'ServicesResolved': dbus.Boolean(True, variant_level=1),
        'Connected': dbus.Boolean(True, variant_level=1),
    })


def disconnect(device):
    device.UpdateProperties(stock.DEVICE_IFACE, {'Connected': dbus.Boolean(False, variant_level=1)})


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='sss', out_signature='s')
def AddDevice(self, adapter_device_name, device_address, alias):
    path = stock.AddDevice(self, adapter_device_name, device_address, alias)
    device = mockobject.objects[path]
    replace_method(device, stock.DEVICE_IFACE, 'Pair', '', '', pair, async_callbacks=('reply', 'error'),
                   sender_keyword='sender')
    replace_method(device, stock.DEVICE_IFACE, 'CancelPairing', '', '', cancel_pairing)
    replace_method(device, stock.DEVICE_IFACE, 'ConnectProfile', 's', '', connect_profile,
                   async_callbacks=('reply', 'error'))
    replace_method(device, stock.DEVICE_IFACE, 'Connect', '', '', connect)
    replace_method(device, stock.DEVICE_IFACE, 'Disconnect', '', '', disconnect)
    return path


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='ssu', out_signature='')
def PlanPairing(_self, device_address, request, number):
    '''The agent request the next Pair of the device makes, and its number.'''
    if request not in AGENT_REQUESTS:
        raise dbus.exceptions.DBusException('unknown request ' + request, name='org.bluez.Mock.BadRequest')
    device_of(device_address).pairing_plan = (str(request), int(number))


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='ss', out_signature='')
def PlanStrangerRequest(_self, device_address, stranger_address):
    '''The next Pair of the device first asks the agent to confirm a pairing
    of the device at `stranger_address`, as BlueZ does when another device
    pairs meanwhile.'''
    device = device_of(device_address)
    device.stranger = str(device.path).rsplit('/', 1)[0] + '/dev_' + stranger_address.replace(':', '_').upper()


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='s', out_signature='s')
def StrangerAnswer(_self, device_address):
    '''What the agent answered the request about the other device.'''
    return getattr(device_of(device_address), 'stranger_answer', '')


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='s', out_signature='s')
def PairingAnswer(_self, device_address):
    '''What the agent answered the last Pair: "pin 1234", "passkey 5",
    "agreed", "cancelled", "refused <error>", or "" when it was not asked.'''
    return getattr(device_of(device_address), 'pairing_answer', '')


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='sas', out_signature='')
def SetServices(_self, device_address, uuids):
    '''The service classes a service discovery (or a profile connect) finds.'''
    device_of(device_address).sdp_services = [str(uuid).lower() for uuid in uuids]


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='s', out_signature='u')
def ConnectCount(_self, device_address):
    return getattr(device_of(device_address), 'connect_count', 0)


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='', out_signature='as')
def Profiles(_self):
    '''The UUIDs of the profiles registered now.'''
    return sorted(manager().profiles.keys())


def load(mock, parameters):
    stock.load(mock, parameters)
    bluez = manager()
    bluez.agents = {}
    bluez.default_agent_owner = None
    bluez.profiles = {}
    replace_method(bluez, stock.AGENT_MANAGER_IFACE, 'RegisterAgent', 'os', '', register_agent,
                   sender_keyword='sender')
    replace_method(bluez, stock.AGENT_MANAGER_IFACE, 'UnregisterAgent', 'o', '', unregister_agent,
                   sender_keyword='sender')
    replace_method(bluez, stock.AGENT_MANAGER_IFACE, 'RequestDefaultAgent', 'o', '', request_default_agent,
                   sender_keyword='sender')
    replace_method(bluez, stock.PROFILE_MANAGER_IFACE, 'RegisterProfile', 'osa{sv}', '', register_profile,
                   sender_keyword='sender')
    replace_method(bluez, stock.PROFILE_MANAGER_IFACE, 'UnregisterProfile', 'o', '', unregister_profile)


@dbus.service.method(stock.BLUEZ_MOCK_IFACE, in_signature='s', out_signature='s')
def AddStrayDevice(self, device_address):
    '''A device object right below the root, without an Adapter property: a
    shape BlueZ does not make, but a peer on the bus may.'''
    path = '/dev_' + device_address.replace(':', '_').upper()
    self.AddObject(path, stock.DEVICE_IFACE, {
        'Address': dbus.String(device_address, variant_level=1),
        'Name': dbus.String('Stray', variant_level=1),
    }, [])
    return path
