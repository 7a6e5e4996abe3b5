#!/usr/bin/env python3
"""Generate C++ message and service headers from ROS 2 .msg and .srv files for the standalone build.

The output mirrors what rosidl_generator_cpp produces in Humble as far as code can tell:
`pkg/msg/snake_name.hpp` declaring the template `pkg::msg::Name_<Allocator>`, the alias
`pkg::msg::Name`, an explicit constructor taking `rosidl_runtime_cpp::MessageInitialization`
(so messages are not aggregates), .msg defaults, constants, `operator==`, the smart-pointer
aliases and the `rosidl_generator_traits` name traits. Beside each header it writes
`pkg/msg/detail/snake_name__cdr.hpp` with the message's CDR layout (cdr_serialize /
cdr_deserialize, found by argument-dependent lookup), which the message header includes.

A service `pkg/srv/Name.srv` gives `pkg/srv/snake_name.hpp` with the messages
`pkg::srv::Name_Request` and `pkg::srv::Name_Response` (each with its CDR layout, as above) and
`pkg::srv::Name`, whose `Request` and `Response` name them.

Usage: generate_messages.py [--search INCLUDE_DIR]... OUTPUT_DIR PKG:FILE.(msg|srv) [...]
"""

import os
import re
import sys

PRIMITIVES = {
    'bool': 'bool',
    'byte': 'unsigned char',
    'char': 'unsigned char',
    'float32': 'float',
    'float64': 'double',
    'int8': 'int8_t',
    'uint8': 'uint8_t',
    'int16': 'int16_t',
    'uint16': 'uint16_t',
    'int32': 'int32_t',
    'uint32': 'uint32_t',
    'int64': 'int64_t',
    'uint64': 'uint64_t',
}

# Humble's generator spells out the integer suffix so that constants keep their width.
LITERAL_SUFFIX = {
    'uint8': 'u', 'uint16': 'u', 'uint32': 'ul', 'uint64': 'ull',
    'int64': 'll', 'float32': 'f',
}


def snake_case(name):
    """rosidl's camel-case to snake-case rule (PointCloud2 -> point_cloud2, TFMessage -> tf_message)."""
    value = re.sub(r'(.)([A-Z][a-z]+)', r'\1_\2', name)
    value = re.sub(r'([a-z0-9])([A-Z])', r'\1_\2', value)
    return value.lower()


class Field:
    def __init__(self, pkg, base, array, name, default, bound=None, string_bound=None):
        self.name = name
        self.array = array          # None, '' (unbounded) or 'N' (fixed size)
        self.bound = bound          # 'N' of a bounded sequence T[<=N], else None
        self.string_bound = string_bound  # 'N' of a bounded string string<=N, else None
        self.default = default
        if base in PRIMITIVES:
            self.primitive = base
            self.pkg = self.msg = None
        elif base == 'string':
            self.primitive = 'string'
            self.pkg = self.msg = None
        else:
            self.primitive = None
            if '/' in base:
                self.pkg, self.msg = base.split('/')
            else:
                self.pkg, self.msg = pkg, base
            if base == 'Header':
                self.pkg = 'std_msgs'


class Constant:
    def __init__(self, type_, name, value):
        self.type = type_
        self.name = name
        self.value = value


class Message:
    """A message type; `kind` is 'msg', or 'srv' for the request or response of a service."""

    def __init__(self, pkg, name, lines, kind='msg', file_stem=None):
        self.pkg = pkg
        self.name = name
        self.kind = kind
        # Headers are named after this (a service's part: 'get_parameters__request').
        self.file_stem = file_stem or snake_case(name)
        self.source = f'{pkg}/msg/{name}.msg'
        self.fields = []
        self.constants = []
        for raw in lines:
            self._parse_line(raw)

    def _parse_line(self, raw):
        line = raw.split('#', 1)[0].strip()
        if not line:
            return
        m = re.match(r'^(\S+)\s+([A-Za-z0-9_]+)\s*=\s*(.+)$', line)
        if m:
            self.constants.append(Constant(m.group(1), m.group(2), m.group(3).strip()))
            return
        m = re.match(
            r'^([A-Za-z0-9_/]+)(<=(\d+))?(\[(<=)?(\d*)\])?\s+([A-Za-z0-9_]+)(\s+(.+))?$', line)
        if not m:
            raise SystemExit(f'{self.pkg}/{self.name}: cannot parse line: {raw!r}')
        string_bound = m.group(3)
        if string_bound and (m.group(1) != 'string' or m.group(4)):
            raise SystemExit(f'{self.pkg}/{self.name}: only single strings may be bounded: {raw!r}')
        bounded = m.group(5) is not None
        if bounded and not m.group(6):
            raise SystemExit(f'{self.pkg}/{self.name}: bounded sequence without bound in {raw!r}')
        # A bounded sequence T[<=N] becomes a plain std::vector (unbounded), where Humble uses
        # rosidl_runtime_cpp::BoundedVector: the bound is not enforced, the element access is
        # the same. Only reading CDR checks it; the same holds for a bounded string<=N.
        array = None
        if m.group(4):
            array = '' if bounded else m.group(6)
        self.fields.append(Field(self.pkg, m.group(1), array, m.group(7), m.group(9),
                                 m.group(6) if bounded else None, string_bound))


class Service:
    """A .srv file: the request and response messages, split at the '---' line."""

    def __init__(self, pkg, name, lines):
        self.pkg = pkg
        self.name = name
        separators = [i for i, raw in enumerate(lines) if raw.split('#', 1)[0].strip() == '---']
        if len(separators) != 1:
            raise SystemExit(f'{pkg}/{name}: a service needs exactly one "---" line')
        stem = snake_case(name)
        at = separators[0]
        self.request = Message(pkg, name + '_Request', lines[:at], 'srv', stem + '__request')
        self.response = Message(pkg, name + '_Response', lines[at + 1:], 'srv', stem + '__response')
        for part in (self.request, self.response):
            part.source = f'{pkg}/srv/{name}.srv'



def scalar_cpp(field):
    if field.primitive == 'string':
        return ('std::basic_string<char, std::char_traits<char>, '
                'typename std::allocator_traits<ContainerAllocator>::template rebind_alloc<char>>')
    if field.primitive:
        return PRIMITIVES[field.primitive]
    return f'{field.pkg}::msg::{field.msg}_<ContainerAllocator>'


def field_cpp(field):
    base = scalar_cpp(field)
    if field.array is None:
        return base
    if field.array:
        return f'std::array<{base}, {field.array}>'
    return (f'std::vector<{base}, typename std::allocator_traits<ContainerAllocator>'
            f'::template rebind_alloc<{base}>>')


def literal(type_, value):
    if type_ == 'bool':
        return 'true' if value.lower() in ('true', '1') else 'false'
    if type_ == 'string':
        return '"' + value.strip('"\'') + '"'
    if type_ in ('float32', 'float64') and not re.search(r'[.eE]', value):
        value += '.0'
    return value + LITERAL_SUFFIX.get(type_, '')


def zero_of(field):
    if field.primitive == 'bool':
        return 'false'
    if field.primitive == 'float32':
        return '0.0f'
    if field.primitive == 'float64':
        return '0.0'
    return '0'


def constructor_body(msg):
    lines = []
    for f in msg.fields:
        if f.array and f.primitive not in (None, 'string'):
            # Fixed-size arrays of numbers start zeroed, as rosidl's do.
            lines.append(f'    if (zero) {{this->{f.name}.fill({zero_of(f)});}}')
            continue
        if f.array is not None or f.primitive is None:
            continue
        if f.primitive == 'string':
            if f.default is not None:
                lines.append(f'    if (with_defaults) {{this->{f.name} = {literal("string", f.default)};}}')
            continue
        zero = zero_of(f)
        if f.default is not None:
            lines.append(f'    if (with_defaults) {{this->{f.name} = {literal(f.primitive, f.default)};}}')
            lines.append(f'    else if (zero) {{this->{f.name} = {zero};}}')
        else:
            lines.append(f'    if (zero) {{this->{f.name} = {zero};}}')
    return lines


def generate(msg, known):
    guard = header_guard(header_path(msg))
    includes = set()
    for f in msg.fields:
        if f.primitive is None:
            key = (f.pkg, f.msg)
            if key not in known:
                raise SystemExit(f'{msg.pkg}/{msg.name}: unknown type {f.pkg}/{f.msg}')
            includes.add(f'{f.pkg}/msg/{snake_case(f.msg)}.hpp')
    full = f'{msg.pkg}::{msg.kind}::{msg.name}'
    nested_init = [f'{f.name}(_init)' for f in msg.fields if f.primitive is None and f.array is None]
    init_list = (' : ' + ', '.join(nested_init)) if nested_init else ''
    body = constructor_body(msg)
    uses_init = bool(body)

    out = []
    out.append(f'// Generated from {msg.source} by generate_messages.py; do not edit.')
    out.append(f'#ifndef {guard}')
    out.append(f'#define {guard}')
    out.append('')
    for inc in ['array', 'cstdint', 'memory', 'string', 'vector']:
        out.append(f'#include <{inc}>')
    out.append('')
    out.append('#include "rosidl_runtime_cpp/message_initialization.hpp"')
    out.append('#include "rosidl_runtime_cpp/traits.hpp"')
    for inc in sorted(includes):
        out.append(f'#include "{inc}"')
    out.append('')
    out.append(f'namespace {msg.pkg}\n{{\nnamespace {msg.kind}\n{{\n')
    out.append('template<class ContainerAllocator>')
    out.append(f'struct {msg.name}_')
    out.append('{')
    out.append(f'  using Type = {msg.name}_<ContainerAllocator>;')
    out.append('')
    param = '_init' if (uses_init or nested_init) else ''
    out.append(f'  explicit {msg.name}_(rosidl_runtime_cpp::MessageInitialization {param} = '
               'rosidl_runtime_cpp::MessageInitialization::ALL)' + init_list)
    out.append('  {')
    if uses_init:
        out.append('    const bool with_defaults = rosidl_runtime_cpp::MessageInitialization::ALL == _init ||')
        out.append('      rosidl_runtime_cpp::MessageInitialization::DEFAULTS_ONLY == _init;')
        out.append('    const bool zero = rosidl_runtime_cpp::MessageInitialization::ALL == _init ||')
        out.append('      rosidl_runtime_cpp::MessageInitialization::ZERO == _init;')
        out.append('    (void)with_defaults;')
        out.append('    (void)zero;')
        out.extend(body)
    out.append('  }')
    out.append('')
    # Only std::allocator is used here, so the allocator form simply delegates.
    out.append(f'  explicit {msg.name}_(const ContainerAllocator &, '
               f'rosidl_runtime_cpp::MessageInitialization _init = '
               f'rosidl_runtime_cpp::MessageInitialization::ALL)')
    out.append(f'  : {msg.name}_(_init)')
    out.append('  {')
    out.append('  }')
    out.append('')
    for f in msg.fields:
        out.append(f'  using _{f.name}_type = {field_cpp(f)};')
        out.append(f'  _{f.name}_type {f.name};')
    out.append('')
    for f in msg.fields:
        out.append(f'  Type & set__{f.name}(const {field_cpp(f)} & _arg)')
        out.append('  {')
        out.append(f'    this->{f.name} = _arg;')
        out.append('    return *this;')
        out.append('  }')
    if msg.constants:
        out.append('')
    for c in msg.constants:
        if c.type == 'string':
            out.append(f'  static const std::string {c.name};')
        else:
            out.append(f'  static constexpr {PRIMITIVES[c.type]} {c.name} = {literal(c.type, c.value)};')
    out.append('')
    out.append('  using RawPtr = Type *;')
    out.append('  using ConstRawPtr = const Type *;')
    out.append('  using SharedPtr = std::shared_ptr<Type>;')
    out.append('  using ConstSharedPtr = std::shared_ptr<const Type>;')
    out.append('  template<typename Deleter = std::default_delete<Type>>')
    out.append('  using UniquePtrWithDeleter = std::unique_ptr<Type, Deleter>;')
    out.append('  using UniquePtr = UniquePtrWithDeleter<>;')
    out.append('  template<typename Deleter = std::default_delete<Type>>')
    out.append('  using ConstUniquePtrWithDeleter = std::unique_ptr<const Type, Deleter>;')
    out.append('  using ConstUniquePtr = ConstUniquePtrWithDeleter<>;')
    out.append('  using WeakPtr = std::weak_ptr<Type>;')
    out.append('  using ConstWeakPtr = std::weak_ptr<const Type>;')
    out.append('')
    out.append(f'  bool operator==(const {msg.name}_ & other) const')
    out.append('  {')
    if not msg.fields:
        out.append('    (void)other;')
    for f in msg.fields:
        out.append(f'    if (this->{f.name} != other.{f.name}) {{')
        out.append('      return false;')
        out.append('    }')
    out.append('    return true;')
    out.append('  }')
    out.append(f'  bool operator!=(const {msg.name}_ & other) const')
    out.append('  {')
    out.append('    return !this->operator==(other);')
    out.append('  }')
    out.append('};')
    out.append('')
    for c in msg.constants:
        if c.type == 'string':
            out.append('template<typename ContainerAllocator>')
            out.append(f'const std::string {msg.name}_<ContainerAllocator>::{c.name} = '
                       f'{literal("string", c.value)};')
        else:
            out.append('template<typename ContainerAllocator>')
            out.append(f'constexpr {PRIMITIVES[c.type]} {msg.name}_<ContainerAllocator>::{c.name};')
    out.append(f'using {msg.name} = {msg.name}_<std::allocator<void>>;')
    out.append('')
    out.append(f'}}  // namespace {msg.kind}\n}}  // namespace {msg.pkg}\n')
    out.append('namespace rosidl_generator_traits\n{\n')
    out.append('template<>')
    out.append(f'inline const char * data_type<{full}>()\n{{\n  return "{full}";\n}}\n')
    out.append('template<>')
    out.append(f'inline const char * name<{full}>()\n{{\n  return "{msg.pkg}/{msg.kind}/{msg.name}";\n}}\n')
    out.append('template<>')
    out.append(f'struct is_message<{full}>\n  : std::true_type {{}};\n')
    out.append('}  // namespace rosidl_generator_traits\n')
    out.append(f'#include "{cdr_header_path(msg)}"\n')
    out.append(f'#endif  // {guard}')
    return '\n'.join(line for line in out if line is not None) + '\n'


def header_path(msg):
    """Where a message is declared: its own header, or a detail header of its service."""
    if msg.kind == 'srv':
        return f'{msg.pkg}/srv/detail/{msg.file_stem}.hpp'
    return f'{msg.pkg}/msg/{msg.file_stem}.hpp'


def cdr_header_path(msg):
    return f'{msg.pkg}/{msg.kind}/detail/{msg.file_stem}__cdr.hpp'


def header_guard(path):
    """rosidl's include guard: 'sensor_msgs/msg/laser_scan.hpp' -> SENSOR_MSGS__MSG__LASER_SCAN_HPP_."""
    return path[:-len('.hpp')].replace('/', '__').upper() + '_HPP_'


def cdr_read_call(field):
    # A bounded sequence T[<=N] or string<=N is checked against its bound when read.
    bound = field.bound or field.string_bound
    if bound:
        return f'  cdr.read(msg.{field.name}, {bound});'
    return f'  cdr.read(msg.{field.name});'


def generate_cdr(msg):
    """CDR layout: the fields in .msg order, nested messages inline (XCDR1, as ROS 2 sends)."""
    guard = header_guard(cdr_header_path(msg))
    name = f'{msg.name}_<ContainerAllocator>'
    out = []
    out.append(f'// Generated from {msg.source} by generate_messages.py; do not edit.')
    out.append(f'#ifndef {guard}')
    out.append(f'#define {guard}')
    out.append('')
    out.append('#include <cstdint>')
    out.append('')
    out.append('#include "ros2_compat/cdr/reader.hpp"')
    out.append('#include "ros2_compat/cdr/writer.hpp"')
    out.append(f'#include "{header_path(msg)}"')
    out.append('')
    out.append(f'namespace {msg.pkg}\n{{\nnamespace {msg.kind}\n{{\n')
    out.append('template<class ContainerAllocator>')
    out.append(f'inline void cdr_serialize(ros2_compat::cdr::Writer & cdr, const {name} & msg)')
    out.append('{')
    if not msg.fields:
        # DDS has no empty structures: an empty message is one dummy byte.
        out.append('  (void)msg;')
        out.append('  cdr.write(uint8_t{0});')
    for f in msg.fields:
        out.append(f'  cdr.write(msg.{f.name});')
    out.append('}')
    out.append('')
    out.append('template<class ContainerAllocator>')
    out.append(f'inline void cdr_deserialize(ros2_compat::cdr::Reader & cdr, {name} & msg)')
    out.append('{')
    if not msg.fields:
        out.append('  (void)msg;')
        out.append('  uint8_t structure_needs_at_least_one_member = 0;')
        out.append('  cdr.read(structure_needs_at_least_one_member);')
    for f in msg.fields:
        out.append(cdr_read_call(f))
    out.append('}')
    out.append('')
    out.append(f'}}  // namespace {msg.kind}\n}}  // namespace {msg.pkg}\n')
    out.append(f'#endif  // {guard}')
    return '\n'.join(out) + '\n'


def service_header_path(service):
    return f'{service.pkg}/srv/{snake_case(service.name)}.hpp'


def generate_service(service):
    """The service header: both messages, and the service type that names them."""
    guard = header_guard(service_header_path(service))
    full = f'{service.pkg}::srv::{service.name}'
    out = []
    out.append(f'// Generated from {service.request.source} by generate_messages.py; do not edit.')
    out.append(f'#ifndef {guard}')
    out.append(f'#define {guard}')
    out.append('')
    out.append('#include <type_traits>')
    out.append('')
    out.append('#include "rosidl_runtime_cpp/traits.hpp"')
    out.append(f'#include "{header_path(service.request)}"')
    out.append(f'#include "{header_path(service.response)}"')
    out.append('')
    out.append(f'namespace {service.pkg}\n{{\nnamespace srv\n{{\n')
    out.append(f'struct {service.name}')
    out.append('{')
    out.append(f'  using Request = {service.request.name};')
    out.append(f'  using Response = {service.response.name};')
    out.append('};')
    out.append('')
    out.append(f'}}  // namespace srv\n}}  // namespace {service.pkg}\n')
    out.append('namespace rosidl_generator_traits\n{\n')
    out.append('template<>')
    out.append(f'inline const char * data_type<{full}>()\n{{\n  return "{full}";\n}}\n')
    out.append('template<>')
    out.append(f'inline const char * name<{full}>()\n{{\n  return "{service.pkg}/srv/{service.name}";\n}}\n')
    out.append('template<>')
    out.append(f'struct is_service<{full}>\n  : std::true_type {{}};\n')
    out.append('}  // namespace rosidl_generator_traits\n')
    out.append(f'#endif  // {guard}')
    return '\n'.join(out) + '\n'


def write_if_changed(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    old = None
    if os.path.exists(path):
        with open(path, encoding='utf-8') as f:
            old = f.read()
    # Leave unchanged headers alone so that a re-run does not trigger rebuilds.
    if old != text:
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)


def main(argv):
    args = argv[1:]
    search = []
    while len(args) >= 2 and args[0] == '--search':
        search.append(args[1])
        args = args[2:]
    if len(args) < 2:
        raise SystemExit(__doc__)
    out_dir = args[0]
    messages = []
    services = []
    for entry in args[1:]:
        pkg, path = entry.split(':', 1)
        name, extension = os.path.splitext(os.path.basename(path))
        with open(path, encoding='utf-8') as f:
            lines = f.readlines()
        if extension == '.srv':
            services.append(Service(pkg, name, lines))
        else:
            messages.append(Message(pkg, name, lines))
    known = KnownTypes({(m.pkg, m.name) for m in messages}, [out_dir] + search)
    for m in messages + [part for s in services for part in (s.request, s.response)]:
        write_if_changed(os.path.join(out_dir, header_path(m)), generate(m, known))
        write_if_changed(os.path.join(out_dir, cdr_header_path(m)), generate_cdr(m))
    for s in services:
        write_if_changed(os.path.join(out_dir, service_header_path(s)), generate_service(s))


class KnownTypes:
    """Answers whether a referenced type is generated now or exists in one of the include trees."""

    def __init__(self, names, dirs):
        self.names = names
        self.dirs = dirs

    def __contains__(self, key):
        pkg, msg = key
        if key in self.names:
            return True
        return any(os.path.exists(os.path.join(d, pkg, 'msg', snake_case(msg) + '.hpp'))
                   for d in self.dirs)


if __name__ == '__main__':
    main(sys.argv)
