#include "ui/taskpane/layout_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QWidget>
#include <vector>

#include "ui/taskpane/alignment.h"
#include "ui/taskpane/layout_aware.h"
#include "ui/taskpane/messages.h"
#include "ui/taskpane/types.h"

namespace taskpane {

namespace {

// A message of the table in the user's language.
QString shownText(const char* message) { return QCoreApplication::translate("quillfen", message); }

// The controls a layout covers: the root and its named descendants, parents
// before children. Toolkit-internal children ("qt_" names) are not ours.
std::vector<QWidget*> namedControls(QWidget* root) {
  std::vector<QWidget*> controls;
  std::vector<QWidget*> pending{root};
  while (!pending.empty()) {
    QWidget* widget = pending.back();
    pending.pop_back();
    if (widget == root || (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_"))))
      controls.push_back(widget);
    const QObjectList& children = widget->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if ((*it)->isWidgetType()) pending.push_back(static_cast<QWidget*>(*it));
  }
  return controls;
}

bool isObjectPointer(const QMetaProperty& property) {
  return property.metaType().flags().testFlag(QMetaType::PointerToQObject);
}

// Sub-objects are owned and fixed (no setter); references can be reassigned.
bool isSubObject(const QMetaProperty& property) { return isObjectPointer(property) && !property.isWritable(); }

// The properties a class publishes beyond those of its toolkit base.
std::vector<QMetaProperty> publishedProperties(const QObject* object) {
  const QMetaObject* meta = object->metaObject();
  const int first =
      object->isWidgetType() ? QWidget::staticMetaObject.propertyCount() : QObject::staticMetaObject.propertyCount();
  std::vector<QMetaProperty> properties;
  for (int i = first; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (property.isStored() && (property.isWritable() || isSubObject(property))) properties.push_back(property);
  }
  return properties;
}

QString imageToText(const QImage& image) {
  if (image.isNull()) return QString();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return QString::fromLatin1(bytes.toBase64());
}

QJsonObject propertiesOf(const QObject* object);

// A property's value as JSON; an undefined value means a kind that is not stored.
QJsonValue encode(const QObject* object, const QMetaProperty& property) {
  const QVariant value = property.read(object);
  if (isObjectPointer(property)) {
    const QObject* target = value.value<QObject*>();
    if (isSubObject(property)) return target ? QJsonValue(propertiesOf(target)) : QJsonValue();
    return target ? QJsonValue(target->objectName()) : QJsonValue(QJsonValue::Null);
  }
  if (property.isEnumType()) {
    const QMetaEnum enumerator = property.enumerator();
    const int raw = *static_cast<const int*>(value.constData());
    if (!enumerator.isFlag()) return QString::fromLatin1(enumerator.valueToKey(raw));
    QJsonArray members;
    for (int i = 0; i < enumerator.keyCount(); ++i)
      // Whole members only: masks that merely share a bit are left out.
      if (enumerator.value(i) != 0 && (raw & enumerator.value(i)) == enumerator.value(i))
        members.append(QString::fromLatin1(enumerator.key(i)));
    return members;
  }
  if (property.metaType() == QMetaType::fromType<TColor>()) return ColorToString(value.value<TColor>());
  switch (property.metaType().id()) {
    case QMetaType::Bool: return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double: return value.toDouble();
    case QMetaType::QString: return value.toString();
    case QMetaType::QImage: return imageToText(value.value<QImage>());
    default: return QJsonValue(QJsonValue::Undefined);
  }
}

QJsonObject propertiesOf(const QObject* object) {
  QJsonObject properties;
  for (const QMetaProperty& property : publishedProperties(object)) {
    const QJsonValue value = encode(object, property);
    if (!value.isUndefined()) properties.insert(QString::fromLatin1(property.name()), value);
  }
  return properties;
}

QJsonObject controlOf(QWidget* control) {
  QJsonObject properties = propertiesOf(control);
  properties.insert(QStringLiteral("Left"), control->x());
  properties.insert(QStringLiteral("Top"), control->y());
  properties.insert(QStringLiteral("Width"), control->width());
  properties.insert(QStringLiteral("Height"), control->height());
  // A window is visible once shown; a child unless hidden on purpose.
  properties.insert(QStringLiteral("Visible"), control->isWindow() ? control->isVisible() : !IsHiddenByChoice(control));
  properties.insert(QStringLiteral("Enabled"), !control->testAttribute(Qt::WA_ForceDisabled));
  if (control->property("Align").isValid())
    properties.insert(QStringLiteral("Align"),
                      QString::fromLatin1(QMetaEnum::fromType<TAlign>().valueToKey(AlignOf(control))));
  return properties;
}

// Applies one file's values to one control.
class LayoutReader {
public:
  LayoutReader(QWidget* root, QString fileName, const char* captionContext)
      : root_(root), fileName_(std::move(fileName)), captionContext_(captionContext) {}

  void Apply(QWidget* control, const QJsonObject& values) {
    control_ = control->objectName();
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (!applyOrdinary(control, it.key(), it.value())) applyPublished(control, it.key(), it.value(), it.key());
    }
  }

private:
  [[noreturn]] void fail(const char* message, const QString& key) const {
    throw ELayoutError(shownText(message).arg(fileName_, control_, key).toStdString());
  }

  // The values every control has; false when the key is none of them.
  bool applyOrdinary(QWidget* control, const QString& key, const QJsonValue& value) {
    static const QStringList numbers = {QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Width"),
                                        QStringLiteral("Height")};
    if (numbers.contains(key)) {
      if (!value.isDouble()) fail(taskpane_messages::LayoutWrongKind, key);
      const int number = value.toInt();
      QRect geometry = control->geometry();
      if (key == numbers[0]) geometry.moveLeft(number);
      if (key == numbers[1]) geometry.moveTop(number);
      if (key == numbers[2]) geometry.setWidth(number);
      if (key == numbers[3]) geometry.setHeight(number);
      control->setGeometry(geometry);
      return true;
    }
    if (key == QLatin1String("Visible") || key == QLatin1String("Enabled")) {
      if (!value.isBool()) fail(taskpane_messages::LayoutWrongKind, key);
      if (key == QLatin1String("Visible")) control->setVisible(value.toBool());
      else control->setEnabled(value.toBool());
      return true;
    }
    if (key == QLatin1String("Align")) {
      bool ok = false;
      const int align = QMetaEnum::fromType<TAlign>().keyToValue(value.toString().toLatin1(), &ok);
      if (!value.isString() || !ok) fail(taskpane_messages::LayoutWrongKind, key);
      SetAlign(control, TAlign(align));
      return true;
    }
    return false;
  }

  void applyPublished(QObject* object, const QString& name, const QJsonValue& value, const QString& key) {
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(name.toLatin1());
    QMetaProperty property;
    bool published = false;
    for (const QMetaProperty& candidate : publishedProperties(object))
      if (index >= 0 && candidate.propertyIndex() == index) property = candidate, published = true;
    if (!published) fail(taskpane_messages::LayoutUnknownProperty, key);
    if (isSubObject(property)) {
      QObject* target = property.read(object).value<QObject*>();
      if (!value.isObject() || !target) fail(taskpane_messages::LayoutWrongKind, key);
      const QJsonObject values = value.toObject();
      for (auto it = values.begin(); it != values.end(); ++it)
        applyPublished(target, it.key(), it.value(), key + u'.' + it.key());
      return;
    }
    QVariant decoded = decode(property, value, key);
    if (isCaption(object, key))
      decoded = QCoreApplication::translate(captionContext_, decoded.toString().toUtf8().constData());
    if (!property.write(object, decoded)) fail(taskpane_messages::LayoutWrongKind, key);
  }

  bool isCaption(const QObject* object, const QString& key) const {
    static const QStringList captions = {QStringLiteral("Caption"), QStringLiteral("text"), QStringLiteral("title")};
    return captionContext_ && captions.contains(key) && object->metaObject()->indexOfProperty("placeholderText") < 0;
  }

  QVariant decode(const QMetaProperty& property, const QJsonValue& value, const QString& key) {
    if (isObjectPointer(property)) {
      if (value.isNull()) return QVariant(property.metaType(), nullptr);
      if (!value.isString()) fail(taskpane_messages::LayoutWrongKind, key);
      QObject* target = root_->objectName() == value.toString() ? root_ : root_->findChild<QObject*>(value.toString());
      const QMetaObject* wanted = property.metaType().metaObject();
      if (!target || (wanted && !target->inherits(wanted->className()))) fail(taskpane_messages::LayoutWrongKind, key);
      return QVariant(property.metaType(), &target);
    }
    if (property.isEnumType()) {
      const QMetaEnum enumerator = property.enumerator();
      int raw = 0;
      bool ok = true;
      if (enumerator.isFlag()) {
        if (!value.isArray()) fail(taskpane_messages::LayoutWrongKind, key);
        for (const QJsonValue& member : value.toArray()) {
          bool known = false;
          raw |= enumerator.keyToValue(member.toString().toLatin1(), &known);
          ok = ok && member.isString() && known;
        }
      } else {
        raw = enumerator.keyToValue(value.toString().toLatin1(), &ok);
        ok = ok && value.isString();
      }
      if (!ok) fail(taskpane_messages::LayoutWrongKind, key);
      return QVariant(property.metaType(), &raw);
    }
    if (property.metaType() == QMetaType::fromType<TColor>()) {
      const auto color = StringToColor(value.toString());
      if (!value.isString() || !color) fail(taskpane_messages::LayoutWrongKind, key);
      return QVariant::fromValue(*color);
    }
    switch (property.metaType().id()) {
      case QMetaType::Bool:
        if (!value.isBool()) fail(taskpane_messages::LayoutWrongKind, key);
        return value.toBool();
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::Short:
      case QMetaType::UShort:
      case QMetaType::Double: {
        if (!value.isDouble()) fail(taskpane_messages::LayoutWrongKind, key);
        QVariant number(value.toDouble());
        if (!number.convert(property.metaType())) fail(taskpane_messages::LayoutWrongKind, key);
        return number;
      }
      case QMetaType::QString:
        if (!value.isString()) fail(taskpane_messages::LayoutWrongKind, key);
        return value.toString();
      case QMetaType::QImage: {
        if (!value.isString()) fail(taskpane_messages::LayoutWrongKind, key);
        QImage image;
        const QByteArray bytes = QByteArray::fromBase64(value.toString().toLatin1());
        if (!bytes.isEmpty() && !image.loadFromData(bytes, "PNG")) fail(taskpane_messages::LayoutWrongKind, key);
        return image;
      }
      default: fail(taskpane_messages::LayoutWrongKind, key);
    }
  }

  QWidget* root_;
  QString fileName_;
  const char* captionContext_;
  QString control_;
};

}  // namespace

void WriteLayout(QWidget* root, const QString& fileName) {
  QJsonObject layout;
  for (QWidget* control : namedControls(root)) layout.insert(control->objectName(), controlOf(control));
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(QJsonDocument(layout).toJson(QJsonDocument::Indented)) < 0)
    throw ELayoutError(shownText(taskpane_messages::LayoutNotWritten).arg(fileName).toStdString());
}

void ReadLayout(QWidget* root, const QString& fileName, const char* captionContext) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw ELayoutError(shownText(taskpane_messages::LayoutMissing).arg(fileName).toStdString());
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
  if (document.isNull() || !document.isObject()) {
    const QString reason = document.isNull() ? error.errorString() : QStringLiteral("not an object");
    throw ELayoutError(shownText(taskpane_messages::LayoutNotJson).arg(fileName, reason).toStdString());
  }
  const QJsonObject layout = document.object();
  const std::vector<QWidget*> controls = namedControls(root);
  auto find = [&](const QString& name) -> QWidget* {
    for (QWidget* control : controls)
      if (control->objectName() == name) return control;
    return nullptr;
  };
  for (auto it = layout.begin(); it != layout.end(); ++it) {
    if (!find(it.key()))
      throw ELayoutError(shownText(taskpane_messages::LayoutUnknownControl).arg(fileName, it.key()).toStdString());
    if (!it.value().isObject())
      throw ELayoutError(shownText(taskpane_messages::LayoutWrongKind).arg(fileName, it.key(), it.key()).toStdString());
  }

  std::vector<TmxLayoutAware*> aware;
  for (QWidget* control : controls)
    if (auto* reading = dynamic_cast<TmxLayoutAware*>(control)) aware.push_back(reading);
  for (TmxLayoutAware* reading : aware) reading->BeginLayoutRead();
  // Children settle before their parents: a pane picks its page last.
  auto endReading = [&] {
    for (auto it = aware.rbegin(); it != aware.rend(); ++it) (*it)->EndLayoutRead();
  };
  try {
    LayoutReader reader(root, fileName, captionContext);
    for (QWidget* control : controls)
      if (layout.contains(control->objectName())) reader.Apply(control, layout.value(control->objectName()).toObject());
  } catch (...) {
    endReading();
    throw;
  }
  endReading();
}

}  // namespace taskpane
