#pragma once
// The QApplication of a widget test executable: created on first use on the
// offscreen platform (unless the environment names another) and kept until
// the process ends.

class QApplication;

QApplication& TestApplication();
