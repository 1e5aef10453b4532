#pragma once

#include "taskfieldrows.h"

#include <QByteArray>
#include <QMap>
#include <QMultiMap>
#include <QMutex>
#include <QMutexLocker>
#include <QtEndian>

class tst_MppFields;

namespace mppr {

// One field of an older-generation MPP file's field map, and the process-wide
// tables that map the file's task field identifiers to the task field codes
// the readers ask for. Each generation instantiates this template with its own
// enumerations and so gets a class with statics of its own: building one
// generation's tables leaves the other's unbuilt.
//
// The tables are built once, on first use, under the generation's mutex; they
// never change afterwards, which is what lets getFieldByCode read them without
// the lock.
template<typename Type, typename Group>
class BasicField
{
public:
    using FieldType = Type;
    using FieldGroup = Group;
    using FieldMap = QMap<unsigned int, BasicField>;

    // Where the field's value lies in the task data.
    enum Location : quint16 {
        FixedData = 0,
        VarData = 1,
        LocationType11 = 2,
        LocationType100 = 3,
        NoLocation = 4
    };

    static constexpr quint32 TaskGroupValue = 0x0B400000;
    static constexpr quint32 OtherGroupValue = 0x0B400001;
    static constexpr quint32 NoIdentifier = 0xFFFFFFFF;

    // Layout of one item of a file's field map. Only the item size is fixed
    // by the format as we know it; where the identifier and the type word
    // sit inside the item is our own choice until the layout is documented.
    static constexpr int FieldMapItemSize = 28;
    static constexpr int FieldMapIdentifierOffset = 12; // our choice
    static constexpr int FieldMapTypeOffset = 16;       // our choice

    // The field the file does not hold: callers recognise it by its
    // identifier 0xFFFFFFFF.
    BasicField()
        : m_type(FieldType(29))
        , m_identifier(NoIdentifier)
        , m_group(FieldGroup(OtherGroupValue))
    {
        init();
    }

    BasicField(unsigned int identifier, FieldType type, short size)
        : m_type(type)
        , m_identifier(identifier)
        , m_size(size)
    {
        init();
        m_group = FieldGroup((identifier >> 16) == (TaskGroupValue >> 16) ? TaskGroupValue
                                                                          : OtherGroupValue);
    }

    quint16 location() const { return m_location; }
    FieldType type() const { return m_type; }
    unsigned int identifier() const { return m_identifier; }
    short size() const { return m_size; }
    quint16 offset() const { return m_offset; }
    FieldGroup group() const { return m_group; }
    qint32 block() const { return m_block; }
    bool isDefault() const { return m_identifier == NoIdentifier; }

    // The file's field map from the bytes of its field map item: one field per
    // whole 28-byte item; a later item with the same identifier replaces an
    // earlier one. No whole item gives an empty map without building the
    // tables.
    static FieldMap parseFieldMap(const QByteArray &bytes)
    {
        FieldMap map;
        const int count = bytes.size() / FieldMapItemSize;
        const uchar *data = reinterpret_cast<const uchar *>(bytes.constData());
        for (int i = 0; i < count; ++i) {
            const uchar *item = data + i * FieldMapItemSize;
            const quint32 identifier = qFromLittleEndian<quint32>(item + FieldMapIdentifierOffset);
            const quint32 typeWord = qFromLittleEndian<quint32>(item + FieldMapTypeOffset);
            BasicField field(identifier, FieldType(typeWord), 0);
            if (typeWord == 11)
                field.m_location = LocationType11;
            else if (typeWord == 100)
                field.m_location = LocationType100;
            map.insert(identifier, field);
        }
        return map;
    }

    // The field of the file's map that carries the task field with this code,
    // trying the code's identifiers in table order; the default field when
    // the group is not the task group, the code has no row or the file holds
    // none of its identifiers.
    static BasicField getFieldByCode(FieldGroup group, int code, const FieldMap &map)
    {
        if (quint32(group) != TaskGroupValue)
            return BasicField();
        // Read through a const reference: a non-const call could detach the
        // shared empty map of an unbuilt table, a write without the lock.
        const QMultiMap<ushort, uint> &codeIds = m_task_code_id;
        const quint16 wanted = quint16(code);
        auto it = codeIds.lowerBound(wanted);
        if (it == codeIds.cend() || int(it.key()) != code)
            return BasicField();
        for (; it != codeIds.cend() && it.key() == wanted; ++it) {
            const unsigned int identifier = (it.value() & 0xFFFF) | TaskGroupValue;
            auto found = map.constFind(identifier);
            if (found != map.cend())
                return found.value();
        }
        return BasicField();
    }

    // Builds the generation's tables once; later calls only take and release
    // the lock. An allocation failure leaves the tables unbuilt (a later call
    // builds again) and propagates.
    static void init()
    {
        QMutexLocker locker(&m_init_mutex);
        if (m_initialized)
            return;
        for (const TaskFieldRow &row : taskFieldRows)
            m_task_id_code.insert(row.identifier, row.code);
        for (auto it = m_task_id_code.cbegin(); it != m_task_id_code.cend(); ++it)
            m_task_code_id.insert(it.value(), it.key());
        m_initialized = true;
    }

private:
    friend class ::tst_MppFields;

    quint16 m_location = NoLocation;
    FieldType m_type;
    unsigned int m_identifier;
    short m_size = 0;
    quint16 m_offset = 0;
    FieldGroup m_group;
    qint32 m_block = 0;

    static inline bool m_initialized = false;
    static inline QMutex m_init_mutex;
    static inline QMap<uint, ushort> m_task_id_code;
    static inline QMultiMap<ushort, uint> m_task_code_id;
};

} // namespace mppr
