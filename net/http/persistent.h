#pragma once
// Objects that copy their state into one another, as the header records and
// authentication schemes do: Assign asks the source to copy itself into the
// destination, and a source that does not know the destination's kind raises
// the toolkit's EConvertError "Cannot assign a <source> to a <destination>".

class TPersistent {
public:
  virtual ~TPersistent() = default;

  virtual const char* ClassName() const = 0;
  void Assign(const TPersistent& source) { source.AssignTo(*this); }

protected:
  TPersistent() = default;
  TPersistent(const TPersistent&) = default;
  TPersistent& operator=(const TPersistent&) = default;

  virtual void AssignTo(TPersistent& destination) const;
};
