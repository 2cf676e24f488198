#include "accessorydb/jet/create_system_tables.h"

#include "accessorydb/jet/create_header.h"
#include "accessorydb/jet/create_table_layout.h"

namespace jet {

namespace {

// Flags of the core tables' columns: 0x10 on all of them, 0x20 on the SID columns as well.
constexpr uint8_t kSystemColumn = kColumnUpdatable | 0x10;
constexpr uint8_t kSidColumn = kSystemColumn | 0x20;
constexpr uint8_t kUniqueIndex = kIndexUnique;

ColumnLayout col(const char16_t* name, ColumnType type, uint8_t flags = kSystemColumn) {
  const bool sized = type == ColumnType::Text || type == ColumnType::Binary;
  return ColumnLayout{name, type, sized ? kMaxTextBytes : uint16_t{0}, flags};
}

RealIndex realIndex(std::vector<uint16_t> columns, uint8_t flags) {
  RealIndex index;
  for (uint16_t c : columns) index.columns.push_back(IndexColumn{c, true});
  index.flags = flags;
  return index;
}

LogicalIndex logicalIndex(const char16_t* name, uint32_t number, uint32_t real, uint8_t type) {
  LogicalIndex index;
  index.name = name;
  index.number = number;
  index.realIndex = real;
  index.type = type;
  return index;
}

Sid masked(const Sid& plain, uint32_t key) {
  return maskSid(key, plain);
}

}  // namespace

TableDef msysObjectsDef() {
  TableDef def = layoutTable(
      u"MSysObjects", tdef::kCoreSystemTable,
      {col(u"Id", ColumnType::Long), col(u"ParentId", ColumnType::Long),
       col(u"Name", ColumnType::Text), col(u"Type", ColumnType::Integer),
       col(u"DateCreate", ColumnType::DateTime), col(u"DateUpdate", ColumnType::DateTime),
       col(u"Owner", ColumnType::Binary, kSidColumn), col(u"Flags", ColumnType::Long),
       col(u"Database", ColumnType::Memo), col(u"Connect", ColumnType::Memo),
       col(u"ForeignName", ColumnType::Text), col(u"RmtInfoShort", ColumnType::Binary),
       col(u"RmtInfoLong", ColumnType::Ole), col(u"Lv", ColumnType::Ole),
       col(u"LvProp", ColumnType::Ole), col(u"LvModule", ColumnType::Ole),
       col(u"LvExtra", ColumnType::Ole)});
  def.realIndexes = {realIndex({1, 2}, kUniqueIndex), realIndex({0}, kUniqueIndex)};
  def.indexes = {logicalIndex(u"ParentIdName", 0, 0, kIndexTypeNormal),
                 logicalIndex(u"Id", 1, 1, kIndexTypePrimaryKey)};
  return def;
}

TableDef msysAcesDef() {
  TableDef def =
      layoutTable(u"MSysACEs", tdef::kCoreSystemTable,
                  {col(u"ObjectId", ColumnType::Long), col(u"SID", ColumnType::Binary, kSidColumn),
                   col(u"ACM", ColumnType::Long), col(u"FInheritable", ColumnType::Boolean)});
  def.realIndexes = {realIndex({0}, kIndexRequired)};
  def.indexes = {logicalIndex(u"ObjectId", 0, 0, kIndexTypeNormal)};
  return def;
}

TableDef msysQueriesDef() {
  TableDef def =
      layoutTable(u"MSysQueries", tdef::kCoreSystemTable,
                  {col(u"ObjectId", ColumnType::Long), col(u"Attribute", ColumnType::Byte),
                   col(u"Order", ColumnType::Binary), col(u"Name1", ColumnType::Text),
                   col(u"Name2", ColumnType::Text), col(u"Expression", ColumnType::Memo),
                   col(u"Flag", ColumnType::Integer), col(u"LvExtra", ColumnType::Long)});
  def.realIndexes = {realIndex({0, 1, 2}, kUniqueIndex)};
  def.indexes = {logicalIndex(u"ObjectIdAttribute", 0, 0, kIndexTypePrimaryKey)};
  return def;
}

TableDef msysRelationshipsDef() {
  TableDef def = layoutTable(
      u"MSysRelationships", tdef::kCoreSystemTable,
      {col(u"szRelationship", ColumnType::Text), col(u"grbit", ColumnType::Long),
       col(u"ccolumn", ColumnType::Long), col(u"icolumn", ColumnType::Long),
       col(u"szObject", ColumnType::Text), col(u"szColumn", ColumnType::Text),
       col(u"szReferencedObject", ColumnType::Text), col(u"szReferencedColumn", ColumnType::Text)});
  def.realIndexes = {realIndex({0}, kIndexIgnoreNulls), realIndex({4}, kIndexIgnoreNulls),
                     realIndex({6}, kIndexIgnoreNulls)};
  def.indexes = {logicalIndex(u"szRelationship", 0, 0, kIndexTypeNormal),
                 logicalIndex(u"szObject", 1, 1, kIndexTypeNormal),
                 logicalIndex(u"szReferencedObject", 2, 2, kIndexTypeNormal)};
  return def;
}

std::vector<Value> objectRowValues(const ObjectRow& row) {
  std::vector<Value> v(17, Null{});
  v[0] = row.id;
  v[1] = row.parentId;
  v[2] = row.name;
  v[3] = row.type;
  v[4] = DateTime{row.created};
  v[5] = DateTime{row.created};
  v[6] = Bytes(row.owner);
  v[7] = static_cast<int32_t>(row.flags);
  return v;
}

std::vector<Value> aceRowValues(const AceRow& row) {
  return {row.objectId, Bytes(row.sid), row.acm, row.inheritable};
}

std::vector<ObjectRow> initialObjects(const std::array<uint32_t, 4>& systemTdefPages,
                                      double created, uint32_t sidKey) {
  const Sid engine = masked(kSidEngineObjects, sidKey);
  const auto object = [&](int32_t id, int32_t parent, const char16_t* name, int16_t type,
                          const Sid& owner) {
    return ObjectRow{id, parent, name, type, created, owner, catalog::kSystemObjectFlag};
  };
  const auto table = [&](size_t i, const char16_t* name) {
    return object(static_cast<int32_t>(systemTdefPages[i]), kTablesContainerId, name,
                  catalog::kTypeTable, engine);
  };
  return {
      object(kTablesContainerId, kContainersParentId, u"Tables", catalog::kTypeContainer, engine),
      object(kDatabasesContainerId, kContainersParentId, u"Databases", catalog::kTypeContainer,
             engine),
      object(kRelationshipsContainerId, kContainersParentId, u"Relationships",
             catalog::kTypeContainer, engine),
      object(kDatabaseObjectId, kDatabasesContainerId, u"MSysDb", catalog::kTypeDatabase,
             masked(kSidDatabaseOwner, sidKey)),
      table(0, u"MSysObjects"),
      table(1, u"MSysACEs"),
      table(2, u"MSysQueries"),
      table(3, u"MSysRelationships")};
}

std::vector<AceRow> initialAces(const std::array<uint32_t, 4>& systemTdefPages, uint32_t sidKey) {
  const Sid owner = masked(kSidDatabaseOwner, sidKey);
  const Sid creator = masked(kSidCreatorEntry, sidKey);
  const Sid group = masked(kSidGroupEntry, sidKey);
  const auto objects = static_cast<int32_t>(systemTdefPages[0]);
  const auto aces = static_cast<int32_t>(systemTdefPages[1]);
  const auto queries = static_cast<int32_t>(systemTdefPages[2]);
  const auto relationships = static_cast<int32_t>(systemTdefPages[3]);
  // Jet's permission rows of a new database, in Jet's row order.
  return {{objects, owner, 393216, false},
          {aces, owner, 393216, false},
          {queries, owner, 393216, false},
          {relationships, owner, 917504, false},
          {kTablesContainerId, creator, 983294, true},
          {kTablesContainerId, owner, 393217, false},
          {kRelationshipsContainerId, creator, 983294, true},
          {kRelationshipsContainerId, owner, 393217, false},
          {kDatabasesContainerId, owner, 393216, false},
          {kDatabaseObjectId, owner, 393230, false},
          {kDatabaseObjectId, group, 14, false},
          {queries, group, 20, false},
          {relationships, group, 20, false},
          {objects, group, 20, false},
          {kTablesContainerId, group, 1048319, true},
          {kRelationshipsContainerId, group, 1048575, true}};
}

}  // namespace jet
