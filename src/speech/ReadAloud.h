#pragma once

class frmMain;

// Reads the active document, or its selection, aloud.
class ReadAloud {
public:
    explicit ReadAloud(frmMain* main) : main_(main) {}
    void mnuHear_Click();
    // Speaks the empty text, which stops any reading.
    void Stop();

private:
    frmMain* main_;
};
