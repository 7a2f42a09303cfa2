#include "CField.h"

#include "Ombrel.h"

CField::CField() { visible = 1; }

CField::~CField() { Release(); }

void CField::Draw() { PutGraph(0, 0, picture, 0); }

void CField::Release() {
  if (picture != -1) RemoveGraph(picture, 0);
  picture = -1;
}
