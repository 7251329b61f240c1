#include "platform/embedded/DataLoader.h"

#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "directory/ObjectIds.h"
#include "platform/embedded/NameText.h"
#include "platform/embedded/SchemaIndex.h"
#include "platform/embedded/ValueText.h"
#include "util/Base64.h"
#include "util/Format.h"

namespace recast::embedded {
namespace {

using service::AttributeValues;
using service::DirValue;
using service::EntryName;

constexpr const char* kObjectClass = "Object Class";
constexpr const char* kAliasedObjectName = "Aliased Object Name";

enum class ValueForm { Text, Base64, Hex };

struct Field {
  std::string key;
  ValueForm form = ValueForm::Text;
  std::string value;
  int line = 0;
};

struct Record {
  std::vector<Field> fields;  // the first field names the record's kind
  std::string firstLine;
};

class Failure {
 public:
  Failure(LoadError* error, std::string source) : error_(error), source_(std::move(source)) {}
  DirStatus operator()(int line, const std::string& record, std::string message) const {
    if (error_ != nullptr) *error_ = LoadError{source_, line, record, std::move(message)};
    return kErrDataBadInput;
  }

 private:
  LoadError* error_;
  std::string source_;
};

// Splits "key: value", "key:: base64", "key:# hex". The key ends at the first ":" followed by
// a blank, ":", "#" or the end of the line, so names such as "App:Macros" need no quotes; a
// key holding ": " is written in double quotes.
bool SplitLine(const std::string& line, Field* field) {
  std::size_t keyEnd = std::string::npos;
  std::size_t rest = 0;
  if (!line.empty() && line[0] == '"') {
    std::size_t close = line.find('"', 1);
    if (close == std::string::npos || close + 1 >= line.size() || line[close + 1] != ':') return false;
    field->key = line.substr(1, close - 1);
    keyEnd = close + 1;
  } else {
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] != ':') continue;
      if (i + 1 == line.size() || line[i + 1] == ' ' || line[i + 1] == ':' || line[i + 1] == '#') {
        keyEnd = i;
        break;
      }
    }
    if (keyEnd == std::string::npos || keyEnd == 0) return false;
    field->key = line.substr(0, keyEnd);
  }
  rest = keyEnd + 1;
  field->form = ValueForm::Text;
  if (rest < line.size() && line[rest] == ':') {
    field->form = ValueForm::Base64;
    ++rest;
  } else if (rest < line.size() && line[rest] == '#') {
    field->form = ValueForm::Hex;
    ++rest;
  }
  if (rest < line.size() && line[rest] == ' ') ++rest;
  field->value = line.substr(std::min(rest, line.size()));
  return !field->key.empty();
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::string current;
  auto flush = [&]() {
    std::size_t b = current.find_first_not_of(' ');
    std::size_t e = current.find_last_not_of(' ');
    if (b != std::string::npos) items.push_back(current.substr(b, e - b + 1));
    current.clear();
  };
  for (char c : text) {
    if (c == ',')
      flush();
    else
      current.push_back(c);
  }
  flush();
  return items;
}

bool ParseFlags(const std::string& text, const std::map<std::string, std::uint32_t>& names, std::uint32_t* flags) {
  std::uint32_t result = 0;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    std::int64_t n = 0;
    auto it = names.find(NameKey(word));
    if (it != names.end())
      result |= it->second;
    else if (ParseNumber(word, &n) && n >= 0 && n <= 0xFFFFFFFFLL)
      result |= static_cast<std::uint32_t>(n);
    else
      return false;
  }
  *flags = result;
  return true;
}

const std::map<std::string, std::uint32_t>& AttributeFlagNames() {
  static const std::map<std::string, std::uint32_t> names = {
      {"sglval", kAttrSingleValued},    {"sized", kAttrSized},       {"nonrem", kAttrNonRemovable},
      {"rdonly", kAttrReadOnly},        {"hidden", kAttrHidden},     {"string", kAttrString},
      {"syncimdt", kAttrSyncImmediate}, {"publrd", kAttrPublicRead}, {"srvrrd", kAttrServerRead},
      {"wrtmngd", kAttrWriteManaged},   {"perrep", kAttrPerReplica}, {"syncnever", kAttrSyncNever}};
  return names;
}

const std::map<std::string, std::uint32_t>& ClassFlagNames() {
  static const std::map<std::string, std::uint32_t> names = {{"container", kClassContainer},
                                                             {"effective", kClassEffective},
                                                             {"nonremovable", kClassNonRemovable},
                                                             {"ambiguousnaming", kClassAmbiguousNaming},
                                                             {"ambiguouscontainment", kClassAmbiguousContainment},
                                                             {"auxiliary", kClassAuxiliary}};
  return names;
}

// Replaces "{n}" by number and "{n:W}" by number zero-padded to W digits.
std::string Substitute(const std::string& text, std::uint32_t number) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, 3, "{n}") == 0) {
      out += std::to_string(number);
      i += 3;
    } else if (text.compare(i, 3, "{n:") == 0 && text.find('}', i) != std::string::npos) {
      std::size_t close = text.find('}', i);
      std::int64_t width = 0;
      std::string digits = std::to_string(number);
      if (ParseNumber(text.substr(i + 3, close - i - 3), &width) && width > 0 && width < 20)
        while (static_cast<std::int64_t>(digits.size()) < width) digits.insert(digits.begin(), '0');
      out += digits;
      i = close + 1;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

class Loader {
 public:
  Loader(DataSet* data, Failure fail) : data_(data), fail_(std::move(fail)) {
    for (std::size_t t = 0; t < data_->trees.size(); ++t)
      for (std::size_t e = 0; e < data_->trees[t].entries.size(); ++e)
        entryIndex_[EntryKey(t, data_->trees[t].entries[e].name)] = e;
  }

  DirStatus Apply(const Record& r) {
    const std::string& kind = r.fields[0].key;
    if (kind == "schema") return SchemaRecord(r);
    if (kind == "attribute") return AttributeRecord(r);
    if (kind == "class") return ClassRecord(r);
    if (kind == "tree") return TreeRecord(r);
    if (kind == "login") return LoginRecord(r);
    if (kind == "entry") return EntryRecord(r, r, r.fields[0].value);
    if (kind == "generate") return GenerateRecord(r);
    return fail_(r.fields[0].line, r.firstLine, Format("unknown record kind \"%s\"", {kind}));
  }

  // Checks that every alias target and login read so far names an entry that exists (they
  // may name entries further on in their file).
  // Checks that every class named by super and containment lines exists.
  DirStatus CheckClassReferences() {
    for (const auto& ref : pendingClassRefs_) {
      bool known = NameKey(ref.name) == NameKey(kTreeRootClass);
      for (const auto& c : data_->schemas[ref.schema].schema.classes)
        known = known || NameKey(c.name) == NameKey(ref.name);
      if (!known) return fail_(ref.line, ref.record, Format("unknown class \"%s\"", {ref.name}));
    }
    pendingClassRefs_.clear();
    return 0;
  }

  DirStatus CheckAliases() {
    for (const auto& pending : pendingAliases_) {
      EntryName target;
      if (!ParseDottedName(pending.target, &target) || !entryIndex_.count(EntryKey(pending.tree, target)))
        return fail_(pending.line, pending.record, Format("entry \"%s\" does not exist", {pending.target}));
    }
    pendingAliases_.clear();
    return 0;
  }

 private:
  struct PendingClassRef {
    std::size_t schema;
    std::string name;
    int line;
    std::string record;
  };

  struct PendingAlias {  // an alias target or a login
    std::size_t tree;
    std::string target;
    int line;
    std::string record;
  };

  static std::string EntryKey(std::size_t tree, const EntryName& name) {
    return std::to_string(tree) + "|" + NameKey(DottedName(name));
  }

  DirStatus SchemaRecord(const Record& r) {
    if (r.fields.size() != 1) return fail_(r.fields[1].line, r.firstLine, "a schema record has no further lines");
    for (const auto& s : data_->schemas)
      if (NameKey(s.name) == NameKey(r.fields[0].value))
        return fail_(r.fields[0].line, r.firstLine, "the schema is defined twice");
    data_->schemas.push_back(DataSchema{r.fields[0].value, {}});
    indexes_.clear();
    return 0;
  }

  DataSchema* CurrentSchema() { return data_->schemas.empty() ? nullptr : &data_->schemas.back(); }

  DirStatus AttributeRecord(const Record& r) {
    DataSchema* schema = CurrentSchema();
    if (schema == nullptr) return fail_(r.fields[0].line, r.firstLine, "an attribute needs a schema record before it");
    service::AttributeDefinition def;
    def.name = r.fields[0].value;
    if (def.name.empty() || def.name.size() > 32)
      return fail_(r.fields[0].line, r.firstLine, "an attribute name has 1 to 32 characters");
    bool haveSyntax = false;
    for (std::size_t i = 1; i < r.fields.size(); ++i) {
      const Field& f = r.fields[i];
      std::int64_t n = 0;
      if (f.key == "syntax") {
        if (!ParseNumber(f.value, &n) || n < 0 || n > 0xFFFF)
          return fail_(f.line, r.firstLine, "the syntax is a number");
        def.syntax = static_cast<std::uint32_t>(n);
        haveSyntax = true;
      } else if (f.key == "flags") {
        if (!ParseFlags(f.value, AttributeFlagNames(), &def.flags))
          return fail_(f.line, r.firstLine, "unknown attribute flag");
      } else if (f.key == "bounds") {
        std::istringstream in(f.value);
        std::string lo, hi;
        std::int64_t l = 0, h = 0;
        if (!(in >> lo >> hi) || !ParseNumber(lo, &l) || !ParseNumber(hi, &h))
          return fail_(f.line, r.firstLine, "bounds are two numbers");
        def.lowerBound = static_cast<std::uint32_t>(l);
        def.upperBound = static_cast<std::uint32_t>(h);
      } else if (f.key == "oid") {
        const std::optional<Asn1Id> id = ObjectIdFromText(f.value);
        if (!id) return fail_(f.line, r.firstLine, "not an object identifier");
        def.asn1Id = *id;
      } else {
        return fail_(f.line, r.firstLine, Format("unknown attribute field \"%s\"", {f.key}));
      }
    }
    if (!haveSyntax) return fail_(r.fields[0].line, r.firstLine, "an attribute needs a syntax");
    for (const auto& a : schema->schema.attributes)
      if (NameKey(a.name) == NameKey(def.name))
        return fail_(r.fields[0].line, r.firstLine, "the attribute is defined twice");
    schema->schema.attributes.push_back(std::move(def));
    indexes_.clear();
    return 0;
  }

  DirStatus ClassRecord(const Record& r) {
    DataSchema* schema = CurrentSchema();
    if (schema == nullptr) return fail_(r.fields[0].line, r.firstLine, "a class needs a schema record before it");
    service::ClassDefinition def;
    def.name = r.fields[0].value;
    if (def.name.empty() || def.name.size() > 32)
      return fail_(r.fields[0].line, r.firstLine, "a class name has 1 to 32 characters");
    for (std::size_t i = 1; i < r.fields.size(); ++i) {
      const Field& f = r.fields[i];
      std::vector<std::string>* list = nullptr;
      if (f.key == "flags") {
        if (!ParseFlags(f.value, ClassFlagNames(), &def.flags)) return fail_(f.line, r.firstLine, "unknown class flag");
        continue;
      }
      if (f.key == "oid") {
        const std::optional<Asn1Id> id = ObjectIdFromText(f.value);
        if (!id) return fail_(f.line, r.firstLine, "not an object identifier");
        def.asn1Id = *id;
        continue;
      }
      if (f.key == "super")
        list = &def.superClasses;
      else if (f.key == "containment")
        list = &def.containmentClasses;
      else if (f.key == "naming")
        list = &def.namingAttributes;
      else if (f.key == "mandatory")
        list = &def.mandatoryAttributes;
      else if (f.key == "optional")
        list = &def.optionalAttributes;
      else
        return fail_(f.line, r.firstLine, Format("unknown class field \"%s\"", {f.key}));
      for (auto& item : SplitList(f.value)) {
        bool isClass = list == &def.superClasses || list == &def.containmentClasses;
        bool known = false;
        if (isClass) {
          // Classes may name classes defined further on; checked when the schema is complete.
          pendingClassRefs_.push_back(PendingClassRef{data_->schemas.size() - 1, item, f.line, r.firstLine});
          known = true;
        } else {
          for (const auto& a : schema->schema.attributes) known = known || NameKey(a.name) == NameKey(item);
        }
        if (!known) return fail_(f.line, r.firstLine, Format("unknown attribute \"%s\"", {item}));
        list->push_back(item);
      }
    }
    for (const auto& c : schema->schema.classes)
      if (NameKey(c.name) == NameKey(def.name))
        return fail_(r.fields[0].line, r.firstLine, "the class is defined twice");
    schema->schema.classes.push_back(std::move(def));
    indexes_.clear();
    return 0;
  }

  DirStatus TreeRecord(const Record& r) {
    if (DirStatus st = CheckClassReferences()) return st;
    DataTree tree;
    tree.name = r.fields[0].value;
    if (tree.name.empty() || tree.name.size() > 32)
      return fail_(r.fields[0].line, r.firstLine, "a tree name has 1 to 32 characters");
    for (const auto& t : data_->trees)
      if (NameKey(t.name) == NameKey(tree.name))
        return fail_(r.fields[0].line, r.firstLine, "the tree is defined twice");
    for (std::size_t i = 1; i < r.fields.size(); ++i) {
      const Field& f = r.fields[i];
      if (f.key != "schema") return fail_(f.line, r.firstLine, Format("unknown tree field \"%s\"", {f.key}));
      bool known = false;
      for (const auto& s : data_->schemas) known = known || NameKey(s.name) == NameKey(f.value);
      if (!known) return fail_(f.line, r.firstLine, Format("unknown schema \"%s\"", {f.value}));
      tree.schemaName = f.value;
    }
    if (tree.schemaName.empty()) return fail_(r.fields[0].line, r.firstLine, "a tree needs a schema line");
    data_->trees.push_back(std::move(tree));
    return 0;
  }

  DirStatus LoginRecord(const Record& r) {
    if (data_->trees.empty()) return fail_(r.fields[0].line, r.firstLine, "a login needs a tree record before it");
    DataLogin login;
    login.name = r.fields[0].value;
    EntryName parsed;
    if (!ParseDottedName(login.name, &parsed) || parsed.empty())
      return fail_(r.fields[0].line, r.firstLine, "not a dotted name");
    for (std::size_t i = 1; i < r.fields.size(); ++i) {
      const Field& f = r.fields[i];
      if (f.key != "rights" || (f.value != "read" && f.value != "write"))
        return fail_(f.line, r.firstLine, "a login has one line \"rights: read\" or \"rights: write\"");
      login.mayWrite = f.value == "write";
    }
    pendingAliases_.push_back(PendingAlias{data_->trees.size() - 1, login.name, r.fields[0].line, r.firstLine});
    data_->trees.back().logins.push_back(std::move(login));
    return 0;
  }

  const SchemaIndex& IndexFor(const DataTree& tree) {
    auto it = indexes_.find(NameKey(tree.schemaName));
    if (it != indexes_.end()) return *it->second;
    service::Schema schema;
    for (const auto& s : data_->schemas)
      if (NameKey(s.name) == NameKey(tree.schemaName)) schema = s.schema;
    auto index = std::make_unique<SchemaIndex>(std::move(schema));
    const SchemaIndex& ref = *index;
    indexes_[NameKey(tree.schemaName)] = std::move(index);
    return ref;
  }

  std::vector<std::string> ClassesOf(const SchemaIndex& index, const DataEntry& entry) const {
    std::vector<std::string> aux;
    for (const auto& attr : entry.attributes) {
      if (NameKey(attr.name) != NameKey(kObjectClass)) continue;
      for (const auto& v : attr.values) {
        const auto* text = std::get_if<service::value::Text>(&v);
        const service::ClassDefinition* def = text ? index.FindClass(text->text) : nullptr;
        if (def != nullptr && (def->flags & kClassAuxiliary) != 0) aux.push_back(def->name);
      }
    }
    return index.EffectiveClasses(entry.baseClass, aux);
  }

  // patternSource: the record whose value lines are used (generated entries substitute first).
  DirStatus EntryRecord(const Record& r, const Record& patternSource, const std::string& dotted,
                        const std::uint32_t* number = nullptr) {
    if (data_->trees.empty()) return fail_(r.fields[0].line, r.firstLine, "an entry needs a tree record before it");
    std::size_t treeIndex = data_->trees.size() - 1;
    DataTree& tree = data_->trees.back();
    const SchemaIndex& index = IndexFor(tree);
    std::string record = number ? Format("%s (%s)", {r.firstLine, dotted}) : r.firstLine;
    int line0 = r.fields[0].line;

    DataEntry entry;
    if (!ParseDottedName(dotted, &entry.name) || entry.name.empty()) return fail_(line0, record, "not a dotted name");
    for (const auto& part : entry.name)
      if (part.type.empty()) return fail_(line0, record, "every part of an entry's name is typed (CN=...)");
    if (entryIndex_.count(EntryKey(treeIndex, entry.name))) return fail_(line0, record, "the entry is defined twice");

    std::vector<std::string> auxiliary;
    int classLine = line0;
    for (std::size_t i = 1; i < patternSource.fields.size(); ++i) {
      const Field& f = patternSource.fields[i];
      if (f.key == "class") {
        entry.baseClass = f.value;
        classLine = f.line;
      } else if (f.key == "auxiliary") {
        for (auto& a : SplitList(f.value)) auxiliary.push_back(a);
      }
    }
    const service::ClassDefinition* baseDef = index.FindClass(entry.baseClass);
    if (entry.baseClass.empty()) return fail_(line0, record, "an entry needs a class line");
    if (baseDef == nullptr) return fail_(classLine, record, Format("unknown class \"%s\"", {entry.baseClass}));
    if ((baseDef->flags & kClassEffective) == 0)
      return fail_(classLine, record, Format("class \"%s\" is not effective", {entry.baseClass}));
    entry.baseClass = baseDef->name;
    for (auto& a : auxiliary) {
      const service::ClassDefinition* def = index.FindClass(a);
      if (def == nullptr || (def->flags & kClassAuxiliary) == 0)
        return fail_(classLine, record, Format("\"%s\" is not an auxiliary class", {a}));
      a = def->name;
    }
    std::vector<std::string> classes = index.EffectiveClasses(entry.baseClass, auxiliary);

    // The parent must exist and may hold the class.
    EntryName parentName(entry.name.begin() + 1, entry.name.end());
    std::vector<std::string> parentClasses{kTreeRootClass};
    if (!parentName.empty()) {
      auto it = entryIndex_.find(EntryKey(treeIndex, parentName));
      if (it == entryIndex_.end())
        return fail_(line0, record, Format("parent \"%s\" does not exist", {DottedName(parentName)}));
      parentClasses = ClassesOf(index, tree.entries[it->second]);
    }
    if (!index.MayContain(parentClasses, entry.baseClass))
      return fail_(classLine, record, Format("class \"%s\" may not be contained there", {entry.baseClass}));

    // Object Class first: the class chain, then the auxiliary classes.
    AttributeValues objectClass;
    if (const auto* def = index.FindAttribute(kObjectClass)) {
      objectClass.name = def->name;
      objectClass.syntax = def->syntax;
      for (const auto& c : classes) objectClass.values.push_back(service::value::Text{c});
      entry.attributes.push_back(std::move(objectClass));
    }

    auto addValue = [&](const std::string& attrName, DirValue value, int line) -> DirStatus {
      const service::AttributeDefinition* def = index.FindAttribute(attrName);
      if (def == nullptr) return fail_(line, record, Format("unknown attribute \"%s\"", {attrName}));
      if (NameKey(def->name) == NameKey(kObjectClass))
        return fail_(line, record, "Object Class follows from the class and auxiliary lines");
      if (!index.Allows(classes, def->name))
        return fail_(line, record,
                     Format("attribute \"%s\" is not allowed for class \"%s\"", {def->name, entry.baseClass}));
      if (index.CheckValue(*def, value) != 0)
        return fail_(line, record, Format("value outside the syntax or bounds of \"%s\"", {def->name}));
      AttributeValues* slot = nullptr;
      for (auto& a : entry.attributes)
        if (NameKey(a.name) == NameKey(def->name)) slot = &a;
      if (slot == nullptr) {
        entry.attributes.push_back(AttributeValues{def->name, def->syntax, {}});
        slot = &entry.attributes.back();
      }
      for (const auto& existing : slot->values)
        if (ValuesMatch(def->syntax, existing, value)) {
          if (&existing == &slot->values.front() && NameKey(def->name) == NameKey(entry.name[0].type)) return 0;
          return fail_(line, record, Format("duplicate value of \"%s\"", {def->name}));
        }
      if ((def->flags & kAttrSingleValued) != 0 && !slot->values.empty())
        return fail_(line, record, Format("\"%s\" is single-valued", {def->name}));
      slot->values.push_back(std::move(value));
      return 0;
    };

    // The naming part is a value of its attribute.
    if (const service::AttributeDefinition* naming = index.FindAttribute(entry.name[0].type)) {
      DirValue v;
      std::string why;
      if (!ParseValueText(naming->syntax, entry.name[0].value, &v, &why))
        return fail_(line0, record, Format("naming value: %s", {why}));
      if (DirStatus st = addValue(naming->name, std::move(v), line0)) return st;
    } else {
      return fail_(line0, record, Format("unknown naming attribute \"%s\"", {entry.name[0].type}));
    }

    for (std::size_t i = 1; i < patternSource.fields.size(); ++i) {
      const Field& f = patternSource.fields[i];
      if (f.key == "class" || f.key == "auxiliary" || f.key == "count" || f.key == "start") continue;
      const service::AttributeDefinition* def = index.FindAttribute(f.key);
      if (def == nullptr) return fail_(f.line, record, Format("unknown attribute \"%s\"", {f.key}));
      DirValue v;
      if (f.form == ValueForm::Text) {
        std::string why;
        std::string text = number ? Substitute(f.value, *number) : f.value;
        if (!ParseValueText(def->syntax, text, &v, &why)) return fail_(f.line, record, why);
      } else {
        std::vector<std::uint8_t> bytes;
        std::string decoded;
        bool ok = f.form == ValueForm::Hex ? ParseHex(f.value, &bytes) : Base64Decode(f.value, &decoded);
        if (f.form != ValueForm::Hex) bytes.assign(decoded.begin(), decoded.end());
        if (!ok) return fail_(f.line, record, f.form == ValueForm::Hex ? "bad hex digits" : "bad base64 text");
        if (!ValueFromBytes(def->syntax, std::move(bytes), &v))
          return fail_(f.line, record, Format("\"%s\" does not take raw bytes", {def->name}));
      }
      if (NameKey(def->name) == NameKey(kAliasedObjectName))
        if (const auto* text = std::get_if<service::value::Text>(&v))
          pendingAliases_.push_back(PendingAlias{treeIndex, text->text, f.line, record});
      if (DirStatus st = addValue(f.key, std::move(v), f.line)) return st;
    }

    for (const auto& mandatory : index.MandatoryAttributes(classes)) {
      bool valued = false;
      for (const auto& a : entry.attributes)
        valued = valued || (NameKey(a.name) == NameKey(mandatory) && !a.values.empty());
      if (!valued) return fail_(line0, record, Format("mandatory attribute \"%s\" has no value", {mandatory}));
    }

    entryIndex_[EntryKey(treeIndex, entry.name)] = tree.entries.size();
    tree.entries.push_back(std::move(entry));
    return 0;
  }

  DirStatus GenerateRecord(const Record& r) {
    std::int64_t count = -1, start = 1;
    for (const auto& f : r.fields) {
      if (f.key == "count" && (!ParseNumber(f.value, &count) || count < 0 || count > 10000000))
        return fail_(f.line, r.firstLine, "count is a number up to 10000000");
      if (f.key == "start" && (!ParseNumber(f.value, &start) || start < 0 || start > 0xFFFFFFFFLL - 10000000))
        return fail_(f.line, r.firstLine, "start is a number");
    }
    if (count < 0) return fail_(r.fields[0].line, r.firstLine, "a generate record needs a count line");
    for (std::int64_t i = 0; i < count; ++i) {
      std::uint32_t n = static_cast<std::uint32_t>(start + i);
      if (DirStatus st = EntryRecord(r, r, Substitute(r.fields[0].value, n), &n)) return st;
    }
    return 0;
  }

  DataSet* data_;
  Failure fail_;
  std::unordered_map<std::string, std::size_t> entryIndex_;
  std::map<std::string, std::unique_ptr<SchemaIndex>> indexes_;
  std::vector<PendingAlias> pendingAliases_;
  std::vector<PendingClassRef> pendingClassRefs_;
};

}  // namespace

std::string LoadError::Text() const {
  return Format("%s:%d: %s (in \"%s\")", {source, static_cast<std::int32_t>(line), message, record});
}

DirStatus LoadDataText(std::string_view text, std::string_view source, DataSet* data, LoadError* error) {
  if (data == nullptr) return kErrBadArgument;
  Loader loader(data, Failure(error, std::string(source)));
  Record record;
  int lineNumber = 0;
  auto flush = [&]() -> DirStatus {
    if (record.fields.empty()) return 0;
    DirStatus st = loader.Apply(record);
    record = Record();
    return st;
  };
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    if (line.find_first_not_of(" \t") == std::string::npos) {
      if (DirStatus st = flush()) return st;
      continue;
    }
    if (line[0] == ' ') {  // continues the previous line's value
      if (record.fields.empty())
        return Failure(error, std::string(source))(lineNumber, line, "a continuation line without a line before it");
      record.fields.back().value += line.substr(1);
      continue;
    }
    Field field;
    if (!SplitLine(line, &field))
      return Failure(error, std::string(source))(lineNumber, record.fields.empty() ? line : record.firstLine,
                                                 "expected \"name: value\"");
    field.line = lineNumber;
    if (record.fields.empty()) record.firstLine = line;
    record.fields.push_back(std::move(field));
  }
  if (DirStatus st = flush()) return st;
  if (DirStatus st = loader.CheckClassReferences()) return st;
  return loader.CheckAliases();
}

DirStatus LoadDataFiles(const std::vector<std::filesystem::path>& files, DataSet* data, LoadError* error) {
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      if (error != nullptr) *error = LoadError{file.string(), 0, "", "cannot read the file"};
      return kErrDataBadInput;
    }
    std::stringstream content;
    content << in.rdbuf();
    if (DirStatus st = LoadDataText(content.str(), file.string(), data, error)) return st;
  }
  return 0;
}

}  // namespace recast::embedded
