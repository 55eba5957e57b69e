<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AQFirmwareController</name>
    <message>
        <source>This is no file but a folder, pipe or device; nothing was sent.</source>
        <translation>Das ist keine Datei, sondern ein Ordner, eine Pipe oder ein Gerät; es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>The file is far larger than any firmware for the lamp; nothing was sent.</source>
        <translation>Die Datei ist weit größer als jede Firmware für die Lampe; es wurde nichts gesendet.</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>&lt;h3&gt;aqlamp %1&lt;/h3&gt;&lt;p&gt;Configures and drives aquarium LED lamps over Bluetooth LE.&lt;/p&gt;&lt;p&gt;Licensed under the GNU General Public License, version 3 or (at your option) any later version (GPL-3.0-or-later). There is no warranty.&lt;/p&gt;&lt;p&gt;Settings: &lt;tt&gt;%2&lt;/tt&gt;&lt;br&gt;Log: &lt;tt&gt;%3&lt;/tt&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;aqlamp %1&lt;/h3&gt;&lt;p&gt;Richtet Aquarium-LED-Lampen über Bluetooth LE ein und steuert sie.&lt;/p&gt;&lt;p&gt;Lizenziert unter der GNU General Public License, Version 3 oder (nach Ihrer Wahl) jeder späteren Version (GPL-3.0-or-later). Es gibt keine Gewährleistung.&lt;/p&gt;&lt;p&gt;Einstellungen: &lt;tt&gt;%2&lt;/tt&gt;&lt;br&gt;Protokoll: &lt;tt&gt;%3&lt;/tt&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About aqlamp</source>
        <translation>Über aqlamp</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>The log is kept in %1</source>
        <translation>Das Protokoll liegt in %1</translation>
    </message>
    <message>
        <source>The log is empty.</source>
        <translation>Das Protokoll ist leer.</translation>
    </message>
    <message>
        <source>Open in Text Editor</source>
        <translation>Im Texteditor öffnen</translation>
    </message>
</context>
<context>
    <name>QWidget</name>
    <message>
        <source>in step with this computer</source>
        <translation>gleich mit diesem Computer</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 d %2 h</source>
        <translation>%1 T %2 h</translation>
    </message>
    <message>
        <source>%1 behind</source>
        <translation>%1 nach</translation>
    </message>
    <message>
        <source>%1 ahead</source>
        <translation>%1 vor</translation>
    </message>
</context>
<context>
    <name>Questions</name>
    <message>
        <source>Don&apos;t ask again</source>
        <translation>Nicht mehr fragen</translation>
    </message>
</context>
<context>
    <name>TimeLeft</name>
    <message>
        <source>About %1 s left</source>
        <translation>Noch etwa %1 s</translation>
    </message>
    <message>
        <source>About %1 min left</source>
        <translation>Noch etwa %1 min</translation>
    </message>
</context>
<context>
    <name>aq::AQAdjustController</name>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Intensity</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>aq::AQConnectionController</name>
    <message>
        <source>Lamps nearby</source>
        <translation>Lampen in der Nähe</translation>
    </message>
    <message>
        <source>Turn Bluetooth on</source>
        <translation>Bluetooth einschalten</translation>
    </message>
    <message>
        <source>Discover</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>UUID</source>
        <translation>UUID</translation>
    </message>
    <message>
        <source>Lamp names</source>
        <translation>Lampennamen</translation>
    </message>
    <message>
        <source>Stored lamp names could not be read and will be rebuilt.</source>
        <translation>Die gespeicherten Lampennamen waren nicht lesbar und werden neu angelegt.</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Unknown lamp</source>
        <translation>Unbekannte Lampe</translation>
    </message>
    <message>
        <source>Connecting to %1...</source>
        <translation>Verbinde mit %1 …</translation>
    </message>
    <message>
        <source>Connection failed</source>
        <translation>Verbindung fehlgeschlagen</translation>
    </message>
    <message>
        <source>The lamp could not be connected.</source>
        <translation>Die Lampe konnte nicht verbunden werden.</translation>
    </message>
    <message>
        <source>the lamp closed the link or went out of range</source>
        <translation>die Lampe hat die Verbindung beendet oder ist außer Reichweite</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>The connection to %1 was lost: %2.</source>
        <translation>Die Verbindung zu %1 ist verloren: %2.</translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation>Neu verbinden</translation>
    </message>
    <message>
        <source>The Bluetooth service is not running, so no lamps can be found. Start it (for example with &quot;systemctl start bluetooth&quot;) and press Discover again.</source>
        <translation>Der Bluetooth-Dienst läuft nicht, daher können keine Lampen gefunden werden. Starten Sie ihn (zum Beispiel mit „systemctl start bluetooth“) und drücken Sie erneut auf Suchen.</translation>
    </message>
    <message>
        <source>No Bluetooth adapter was found. Plug one in or enable it in the system settings, then press Discover again.</source>
        <translation>Es wurde kein Bluetooth-Adapter gefunden. Schließen Sie einen an oder aktivieren Sie ihn in den Systemeinstellungen und drücken Sie dann erneut auf Suchen.</translation>
    </message>
    <message>
        <source>Bluetooth is switched off. Turn it on to find lamps.</source>
        <translation>Bluetooth ist ausgeschaltet. Schalten Sie es ein, um Lampen zu finden.</translation>
    </message>
    <message>
        <source>Bluetooth is switched off. Turn it on in the system settings to find lamps.</source>
        <translation>Bluetooth ist ausgeschaltet. Schalten Sie es in den Systemeinstellungen ein, um Lampen zu finden.</translation>
    </message>
    <message>
        <source>This program is not allowed to use Bluetooth. Allow it in the system settings (on Linux: the rights to use BlueZ), then start it again.</source>
        <translation>Dieses Programm darf Bluetooth nicht verwenden. Erlauben Sie es in den Systemeinstellungen (unter Linux: die Rechte für BlueZ) und starten Sie es dann erneut.</translation>
    </message>
    <message>
        <source>Searching for lamps failed. Press Discover to try again.</source>
        <translation>Die Suche nach Lampen ist fehlgeschlagen. Drücken Sie auf Suchen, um es erneut zu versuchen.</translation>
    </message>
    <message>
        <source>Searching for lamps failed (%1). Press Discover to try again.</source>
        <translation>Die Suche nach Lampen ist fehlgeschlagen (%1). Drücken Sie auf Suchen, um es erneut zu versuchen.</translation>
    </message>
    <message>
        <source>The lamp refused the connection.</source>
        <translation>Die Lampe hat die Verbindung abgelehnt.</translation>
    </message>
    <message>
        <source>The lamp refused the connection (%1).</source>
        <translation>Die Lampe hat die Verbindung abgelehnt (%1).</translation>
    </message>
    <message>
        <source>The lamp was not found: it may be switched off or out of range. Press Discover to look for it again.</source>
        <translation>Die Lampe wurde nicht gefunden: Sie ist vielleicht ausgeschaltet oder außer Reichweite. Drücken Sie auf Suchen, um erneut nach ihr zu suchen.</translation>
    </message>
    <message>
        <source>The lamp did not answer in time: it may be switched off or out of range.</source>
        <translation>Die Lampe hat nicht rechtzeitig geantwortet: Sie ist vielleicht ausgeschaltet oder außer Reichweite.</translation>
    </message>
    <message>
        <source>The device offers no lamp service: it may not be a lamp this program drives.</source>
        <translation>Das Gerät bietet keinen Lampendienst an: Es ist vielleicht keine Lampe, die dieses Programm steuert.</translation>
    </message>
    <message>
        <source>The lamp service offers no command characteristic.</source>
        <translation>Der Lampendienst bietet keine Befehls-Charakteristik an.</translation>
    </message>
    <message>
        <source>The lamp service offers no test characteristic: the lamp&apos;s firmware may be too old.</source>
        <translation>Der Lampendienst bietet keine Test-Charakteristik an: Die Firmware der Lampe ist vielleicht zu alt.</translation>
    </message>
    <message>
        <source>The connection was lost: %1.</source>
        <translation>Die Verbindung ist verloren: %1.</translation>
    </message>
    <message>
        <source>The lamp did not answer while its channels were read.</source>
        <translation>Die Lampe hat beim Lesen ihrer Kanäle nicht geantwortet.</translation>
    </message>
    <message>
        <source>The lamps found nearby. Double-click one, or pick it with the arrow keys and press Return, to connect.</source>
        <translation>Die in der Nähe gefundenen Lampen. Doppelklicken Sie auf eine oder wählen Sie sie mit den Pfeiltasten und drücken Sie die Eingabetaste, um sie zu verbinden.</translation>
    </message>
    <message>
        <source>Choose a lamp first.</source>
        <translation>Wählen Sie zuerst eine Lampe.</translation>
    </message>
</context>
<context>
    <name>aq::AQDayAdjustmentController</name>
    <message>
        <source>Lamp to program</source>
        <translation>Zu programmierende Lampe</translation>
    </message>
    <message>
        <source>Channel to edit</source>
        <translation>Zu bearbeitender Kanal</translation>
    </message>
    <message>
        <source>Presetting to load</source>
        <translation>Zu ladende Voreinstellung</translation>
    </message>
    <message>
        <source>Day programme</source>
        <translation>Tagesprogramm</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>Kanal</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Vorgaben</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Abrufen</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Übertragen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>%1 rückgängig</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>%1 wiederholen</translation>
    </message>
    <message>
        <source>all</source>
        <translation>alle</translation>
    </message>
    <message>
        <source>all lamps</source>
        <translation>alle Lampen</translation>
    </message>
    <message>
        <source>Lamp: %1</source>
        <translation>Lampe: %1</translation>
    </message>
    <message>
        <source>The preset file could not be saved</source>
        <translation>Die Vorgabedatei konnte nicht gesichert werden</translation>
    </message>
    <message>
        <source>The preset file could not be loaded</source>
        <translation>Die Vorgabedatei konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>Save Preset</source>
        <translation>Vorgabe sichern</translation>
    </message>
    <message>
        <source>Preset files (*.aqp)</source>
        <translation>Vorgabedateien (*.aqp)</translation>
    </message>
    <message>
        <source>Load Preset</source>
        <translation>Vorgabe laden</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 could not be written: %2. The curves are still in the chart.</source>
        <translation>%1 konnte nicht geschrieben werden: %2. Die Kurven sind noch im Diagramm.</translation>
    </message>
    <message>
        <source>%1 could not be read: %2. The chart was not changed.</source>
        <translation>%1 konnte nicht gelesen werden: %2. Das Diagramm wurde nicht verändert.</translation>
    </message>
    <message>
        <source>%1 is no file but a folder, pipe or device. The chart was not changed.</source>
        <translation>%1 ist keine Datei, sondern ein Ordner, eine Pipe oder ein Gerät. Das Diagramm wurde nicht verändert.</translation>
    </message>
    <message>
        <source>%1 is too large to be a preset file. The chart was not changed.</source>
        <translation>%1 ist zu groß für eine Vorgabedatei. Das Diagramm wurde nicht verändert.</translation>
    </message>
    <message>
        <source>%1 is not a text file. The chart was not changed.</source>
        <translation>%1 ist keine Textdatei. Das Diagramm wurde nicht verändert.</translation>
    </message>
    <message>
        <source>%1 holds no day curves this chart can read. The chart was not changed.</source>
        <translation>%1 enthält keine Tageskurven, die dieses Diagramm lesen kann. Das Diagramm wurde nicht verändert.</translation>
    </message>
    <message>
        <source>load preset file</source>
        <translation>Vorgabedatei laden</translation>
    </message>
    <message>
        <source>Part of the preset file could not be read</source>
        <translation>Ein Teil der Vorgabedatei war nicht lesbar</translation>
    </message>
    <message>
        <source>Channel %1 of %2 could not be read and kept its curve.</source>
        <translation>Kanal %1 aus %2 war nicht lesbar und behält seine Kurve.</translation>
    </message>
    <message>
        <source>The lamp did not answer</source>
        <translation>Die Lampe hat nicht geantwortet</translation>
    </message>
    <message>
        <source>channel %1</source>
        <translation>Kanal %1</translation>
    </message>
    <message>
        <source>the number of set points of %1</source>
        <translation>der Anzahl der Stützpunkte von %1</translation>
    </message>
    <message>
        <source>%1, set point %2 of %3</source>
        <translation>%1, Stützpunkt %2 von %3</translation>
    </message>
    <message>
        <source>the rest of this channel and the channels after it</source>
        <translation>der Rest dieses Kanals und die Kanäle danach</translation>
    </message>
    <message>
        <source>, and the next lamp,</source>
        <translation> sowie die nächste Lampe</translation>
    </message>
    <message>
        <source>, and the %1 lamps after this one,</source>
        <translation> sowie die %1 Lampen danach</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Uploading to %1 (lamp %2 of %3)</source>
        <translation>Übertrage an %1 (Lampe %2 von %3)</translation>
    </message>
    <message>
        <source>Uploading to %1</source>
        <translation>Übertrage an %1</translation>
    </message>
    <message>
        <source>channel %1 of %2</source>
        <translation>Kanal %1 von %2</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>Wird angehalten …</translation>
    </message>
    <message>
        <source>A transfer is running</source>
        <translation>Eine Übertragung läuft</translation>
    </message>
    <message>
        <source>The day programme transfer stops between two commands, and you will be told which lamp and channel were left incomplete.</source>
        <translation>Die Übertragung des Tagesprogramms hält zwischen zwei Befehlen an, und Sie erfahren, welche Lampe und welcher Kanal unvollständig geblieben sind.</translation>
    </message>
    <message>
        <source>Stop Transfer</source>
        <translation>Übertragung anhalten</translation>
    </message>
    <message>
        <source>Keep Running</source>
        <translation>Weiterlaufen lassen</translation>
    </message>
    <message>
        <source>Stop the transfer and quit?</source>
        <translation>Übertragung anhalten und beenden?</translation>
    </message>
    <message>
        <source>The transfer was cancelled</source>
        <translation>Die Übertragung wurde abgebrochen</translation>
    </message>
    <message>
        <source>the day programme of %1</source>
        <translation>das Tagesprogramm von %1</translation>
    </message>
    <message>
        <source>Downloading %1</source>
        <translation>Rufe %1 ab</translation>
    </message>
    <message>
        <source>Downloaded from %1.</source>
        <translation>Von %1 abgerufen.</translation>
    </message>
    <message>
        <source>download</source>
        <translation>Abrufen</translation>
    </message>
    <message>
        <source>presetting %1</source>
        <translation>Voreinstellung %1</translation>
    </message>
    <message>
        <source>Loaded %1.</source>
        <translation>%1 geladen.</translation>
    </message>
    <message>
        <source>load presetting</source>
        <translation>Voreinstellung laden</translation>
    </message>
    <message>
        <source>Reading %1 was cancelled at %2. The chart and its curves were left as they were.</source>
        <translation>Das Lesen von %1 wurde bei %2 abgebrochen. Das Diagramm und seine Kurven bleiben unverändert.</translation>
    </message>
    <message>
        <source>Reading %1 stopped at %2. The chart and its curves were left as they were.</source>
        <translation>Das Lesen von %1 ist bei %2 stehen geblieben. Das Diagramm und seine Kurven bleiben unverändert.</translation>
    </message>
    <message>
        <source>Replace the day programme of all %1 lamps?</source>
        <translation>Das Tagesprogramm aller %1 Lampen ersetzen?</translation>
    </message>
    <message>
        <source>Replace the day programme of %1?</source>
        <translation>Das Tagesprogramm von %1 ersetzen?</translation>
    </message>
    <message>
        <source>The chart still holds the placeholder lines: nothing was downloaded, loaded or edited since connecting. Uploading replaces the lamp&apos;s programme with these flat lines.</source>
        <translation>Das Diagramm enthält noch die Platzhalterlinien: Seit dem Verbinden wurde nichts abgerufen, geladen oder bearbeitet. Die Übertragung ersetzt das Programm der Lampe durch diese flachen Linien.</translation>
    </message>
    <message>
        <source>The programme the lamp holds now is overwritten. Download it first to keep it.</source>
        <translation>Das Programm, das die Lampe jetzt enthält, wird überschrieben. Rufen Sie es zuerst ab, um es zu behalten.</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Uploaded to %1 lamps.</source>
        <translation>An %1 Lampen übertragen.</translation>
    </message>
    <message>
        <source>Uploaded to %1.</source>
        <translation>An %1 übertragen.</translation>
    </message>
    <message>
        <source>Uploading to all lamps</source>
        <translation>Übertrage an alle Lampen</translation>
    </message>
    <message>
        <source>Writing the day programme to %1 was cancelled at %2; %3 were not written. The lamp may now hold a partial programme: upload again to complete it.</source>
        <translation>Das Schreiben des Tagesprogramms an %1 wurde bei %2 abgebrochen; %3 wurden nicht geschrieben. Die Lampe enthält jetzt vielleicht ein unvollständiges Programm: Übertragen Sie erneut, um es zu vervollständigen.</translation>
    </message>
    <message>
        <source>Writing the day programme to %1 stopped at %2; %3 were not written. The lamp may now hold a partial programme: upload again once it answers.</source>
        <translation>Das Schreiben des Tagesprogramms an %1 ist bei %2 stehen geblieben; %3 wurden nicht geschrieben. Die Lampe enthält jetzt vielleicht ein unvollständiges Programm: Übertragen Sie erneut, sobald sie antwortet.</translation>
    </message>
    <message>
        <source>Lamp: %1    Channel: %2</source>
        <translation>Lampe: %1    Kanal: %2</translation>
    </message>
    <message>
        <source>Master #%1</source>
        <translation>Hauptlampe #%1</translation>
    </message>
    <message>
        <source>Slave #%1</source>
        <translation>Nebenlampe #%1</translation>
    </message>
    <message>
        <source>Loads one of the programmes stored in the lamp into the chart.</source>
        <translation>Lädt eines der in der Lampe gespeicherten Programme in das Diagramm.</translation>
    </message>
    <message>
        <source>The lamp shows its day programme in preview mode until clicked again or the page is left.</source>
        <translation>Die Lampe zeigt ihr Tagesprogramm in der Vorschau, bis Sie erneut klicken oder die Seite verlassen.</translation>
    </message>
    <message>
        <source>Verify Uploads</source>
        <translation>Hochladen prüfen</translation>
    </message>
    <message>
        <source>Send everything, also the channels the lamp already holds</source>
        <translation>Alles senden, auch die Kanäle, die die Lampe schon hat</translation>
    </message>
    <message>
        <source>The lamp already holds this programme.</source>
        <translation>Die Lampe hat dieses Programm bereits.</translation>
    </message>
    <message>
        <source>%1, channel %2: point %3 reads %4, sent %5</source>
        <translation>%1, Kanal %2: Stützpunkt %3 lautet %4, gesendet wurde %5</translation>
    </message>
    <message>
        <source>%1, channel %2: the lamp reads %3 set points, sent %4</source>
        <translation>%1, Kanal %2: die Lampe meldet %3 Stützpunkte, gesendet wurden %4</translation>
    </message>
    <message numerus="yes">
        <source>The upload stopped there; the channels after it and the %n lamp(s) after this one were not written. Upload again to complete it.</source>
        <translation>
            <numerusform>Das Hochladen endete dort; die Kanäle danach und die %n Lampe danach wurden nicht geschrieben. Laden Sie erneut hoch, um es abzuschließen.</numerusform>
            <numerusform>Das Hochladen endete dort; die Kanäle danach und die %n Lampen danach wurden nicht geschrieben. Laden Sie erneut hoch, um es abzuschließen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The upload stopped there; the channels after it were not written. Upload again to complete it.</source>
        <translation>Das Hochladen endete dort; die Kanäle danach wurden nicht geschrieben. Laden Sie erneut hoch, um es abzuschließen.</translation>
    </message>
    <message>
        <source>The lamp does not hold what was sent</source>
        <translation>Die Lampe hat nicht, was gesendet wurde</translation>
    </message>
</context>
<context>
    <name>aq::AQFirmwareController</name>
    <message>
        <source>Please wait.
Do not turn off!</source>
        <translation>Bitte warten.
Nicht ausschalten!</translation>
    </message>
    <message>
        <source>Page %1 of %2 - %3 %</source>
        <translation>Seite %1 von %2 – %3 %</translation>
    </message>
    <message>
        <source>Do not turn off!</source>
        <translation>Nicht ausschalten!</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Choose a firmware file</source>
        <translation>Firmware-Datei wählen</translation>
    </message>
    <message>
        <source>The lamp stopped answering during the update. Its firmware may be incomplete: connect it again and repeat the update.</source>
        <translation>Die Lampe hat während der Aktualisierung aufgehört zu antworten. Ihre Firmware ist vielleicht unvollständig: Verbinden Sie sie erneut und wiederholen Sie die Aktualisierung.</translation>
    </message>
    <message>
        <source>Error loading Hex-File.
No lamp with a boot loader is connected.</source>
        <translation>Fehler beim Laden der Hex-Datei.
Es ist keine Lampe mit Bootloader verbunden.</translation>
    </message>
    <message>
        <source>Error loading Hex-File.
The file is damaged or incomplete; nothing was sent.</source>
        <translation>Fehler beim Laden der Hex-Datei.
Die Datei ist beschädigt oder unvollständig; es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>Error loading Hex-File.
</source>
        <translation>Fehler beim Laden der Hex-Datei.
</translation>
    </message>
    <message>
        <source>Error loading Hex-File.</source>
        <translation>Fehler beim Laden der Hex-Datei.</translation>
    </message>
    <message>
        <source>Firmware update</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Choose the lamp&apos;s new firmware (an Intel HEX file) and start the update. It takes about three seconds per 256 bytes of firmware; keep the lamp powered and near until it is done. The lamp restarts afterwards and must be connected again.</source>
        <translation>Wählen Sie die neue Firmware der Lampe (eine Intel-HEX-Datei) und starten Sie die Aktualisierung. Sie dauert etwa drei Sekunden je 256 Byte Firmware; halten Sie die Lampe eingeschaltet und in der Nähe, bis sie fertig ist. Die Lampe startet danach neu und muss erneut verbunden werden.</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Path of the firmware file</source>
        <translation>Pfad der Firmware-Datei</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Wählen …</translation>
    </message>
    <message>
        <source>Start update</source>
        <translation>Aktualisierung starten</translation>
    </message>
    <message>
        <source>Are you sure you want to start the process?</source>
        <translation>Wollen Sie den Vorgang wirklich starten?</translation>
    </message>
    <message>
        <source>The firmware update can not be undone. Be sure what you are doing.</source>
        <translation>Die Firmware-Aktualisierung lässt sich nicht rückgängig machen. Seien Sie sich sicher, was Sie tun.</translation>
    </message>
    <message>
        <source>Update failed?</source>
        <translation>Aktualisierung fehlgeschlagen?</translation>
    </message>
    <message>
        <source>The firmware update is finished.</source>
        <translation>Die Firmware-Aktualisierung ist abgeschlossen.</translation>
    </message>
    <message>
        <source>Intel HEX (*.hex *.ihx)</source>
        <translation>Intel HEX (*.hex *.ihx)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Pick the firmware file (Intel HEX) to send to the lamp.</source>
        <translation>Wählt die Firmware-Datei (Intel HEX), die an die Lampe gesendet wird.</translation>
    </message>
</context>
<context>
    <name>aq::AQInfoController</name>
    <message>
        <source>Lamp information</source>
        <translation>Lampeninformationen</translation>
    </message>
    <message>
        <source>Clock</source>
        <translation>Uhr</translation>
    </message>
    <message>
        <source>Slave lamps</source>
        <translation>Nebenlampen</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Energy used</source>
        <translation>Energieverbrauch</translation>
    </message>
    <message>
        <source>Set to this computer&apos;s time</source>
        <translation>Auf die Zeit dieses Computers stellen</translation>
    </message>
    <message>
        <source>no valid date</source>
        <translation>kein gültiges Datum</translation>
    </message>
    <message>
        <source>Clock not set</source>
        <translation>Uhr nicht gestellt</translation>
    </message>
    <message>
        <source>The lamp did not confirm the new time, so its clock is shown as it was. Set the clock again.</source>
        <translation>Die Lampe hat die neue Zeit nicht bestätigt; ihre Uhr wird daher wie zuvor angezeigt. Stellen Sie die Uhr noch einmal.</translation>
    </message>
</context>
<context>
    <name>aq::AQLiveController</name>
    <message>
        <source>Live control</source>
        <translation>Live-Steuerung</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Drücken</translation>
    </message>
    <message>
        <source>Long push</source>
        <translation>Lang drücken</translation>
    </message>
    <message>
        <source>Lamp keys</source>
        <translation>Lampentasten</translation>
    </message>
    <message>
        <source>Works as a press of the lamp&apos;s left key.</source>
        <translation>Wirkt wie ein Druck auf die linke Taste der Lampe.</translation>
    </message>
    <message>
        <source>Works as a press of the lamp&apos;s right key.</source>
        <translation>Wirkt wie ein Druck auf die rechte Taste der Lampe.</translation>
    </message>
    <message>
        <source>Works as a short press of the lamp&apos;s own button.</source>
        <translation>Wirkt wie ein kurzer Druck auf den Knopf der Lampe.</translation>
    </message>
    <message>
        <source>Works as holding the lamp&apos;s own button down.</source>
        <translation>Wirkt wie langes Halten des Knopfs der Lampe.</translation>
    </message>
</context>
<context>
    <name>aq::AQMoonAdjustmentController</name>
    <message>
        <source>Lamps that show the moon</source>
        <translation>Lampen, die den Mond zeigen</translation>
    </message>
    <message>
        <source>Moon</source>
        <translation>Mond</translation>
    </message>
    <message>
        <source>Time frame…</source>
        <translation>Zeitraum …</translation>
    </message>
    <message>
        <source>Lamps…</source>
        <translation>Lampen …</translation>
    </message>
    <message>
        <source>Moon day</source>
        <translation>Mondtag</translation>
    </message>
    <message>
        <source>Intensity</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Intense: %1% Day: %2</source>
        <translation>Helligkeit: %1 % Tag: %2</translation>
    </message>
    <message>
        <source>Moon lamps not read</source>
        <translation>Mondlampen nicht gelesen</translation>
    </message>
    <message>
        <source>The lamp did not say which lamps show the moon. Open the moon page again to try once more.</source>
        <translation>Die Lampe hat nicht mitgeteilt, welche Lampen den Mond zeigen. Öffnen Sie die Mondseite erneut, um es noch einmal zu versuchen.</translation>
    </message>
    <message>
        <source>Master #%1</source>
        <translation>Hauptlampe #%1</translation>
    </message>
    <message>
        <source>Slave #%1</source>
        <translation>Nebenlampe #%1</translation>
    </message>
    <message>
        <source>Chooses which of the connected lamps show the moon.</source>
        <translation>Legt fest, welche der verbundenen Lampen den Mond zeigen.</translation>
    </message>
    <message>
        <source>Sets the hours of the night during which the moon shines.</source>
        <translation>Legt die Nachtstunden fest, in denen der Mond scheint.</translation>
    </message>
</context>
<context>
    <name>aq::AQNavigationController</name>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>The lamp did not confirm the last commands before the link was closed: it may still be in live mode. Connect again and leave the Live page, or switch the lamp off and on.</source>
        <translation>Die Lampe hat die letzten Befehle nicht bestätigt, bevor die Verbindung getrennt wurde: Sie ist vielleicht noch im Live-Modus. Verbinden Sie sich erneut und verlassen Sie die Live-Seite, oder schalten Sie die Lampe aus und wieder ein.</translation>
    </message>
</context>
<context>
    <name>aq::AQSettingsController</name>
    <message>
        <source>Lamp settings</source>
        <translation>Lampeneinstellungen</translation>
    </message>
    <message>
        <source>Name of the lamp</source>
        <translation>Name der Lampe</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Demonstration mode</source>
        <translation>Vorführmodus</translation>
    </message>
    <message>
        <source>Repeat the demonstration</source>
        <translation>Vorführung wiederholen</translation>
    </message>
    <message>
        <source>Demo</source>
        <translation>Vorführung</translation>
    </message>
    <message>
        <source>Name not changed</source>
        <translation>Name nicht geändert</translation>
    </message>
    <message>
        <source>The lamp&apos;s name may hold only letters, digits, spaces and punctuation without accents.</source>
        <translation>Der Name der Lampe darf nur Buchstaben, Ziffern, Leerzeichen und Satzzeichen ohne Akzente enthalten.</translation>
    </message>
    <message>
        <source>The lamp runs through its colours to show what it can do.</source>
        <translation>Die Lampe zeigt nacheinander ihre Farben, um vorzuführen, was sie kann.</translation>
    </message>
    <message>
        <source>The demonstration starts again when it ends, instead of running once.</source>
        <translation>Die Vorführung beginnt nach ihrem Ende von vorn, statt nur einmal zu laufen.</translation>
    </message>
    <message>
        <source>%1/%2</source>
        <translation>%1/%2</translation>
    </message>
    <message>
        <source>Give the lamp a name first.</source>
        <translation>Geben Sie der Lampe zuerst einen Namen.</translation>
    </message>
</context>
<context>
    <name>aq::AQTableCellView</name>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>aq::AQTableSheetController</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>aq::AQTableSheetMCController</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>aq::AQWeatherController</name>
    <message>
        <source>Weather</source>
        <translation>Wetter</translation>
    </message>
    <message>
        <source>Test cloud</source>
        <translation>Wolke testen</translation>
    </message>
    <message>
        <source>Test bolt</source>
        <translation>Blitz testen</translation>
    </message>
    <message>
        <source>Clouds</source>
        <translation>Wolken</translation>
    </message>
    <message>
        <source>Clouds per day</source>
        <translation>Wolken pro Tag</translation>
    </message>
    <message>
        <source>Cloud duration</source>
        <translation>Wolkendauer</translation>
    </message>
    <message>
        <source>Cloud intensity</source>
        <translation>Wolkenstärke</translation>
    </message>
    <message>
        <source>Lightning</source>
        <translation>Gewitter</translation>
    </message>
    <message>
        <source>Bolts per hour</source>
        <translation>Blitze pro Stunde</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Bolt window</source>
        <translation>Gewitterzeit</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1 per day</source>
        <translation>%1 pro Tag</translation>
    </message>
    <message>
        <source>%1 per hour</source>
        <translation>%1 pro Stunde</translation>
    </message>
    <message>
        <source>The lamp shows one cloud now, as the simulation would.</source>
        <translation>Die Lampe zeigt jetzt eine Wolke, wie die Simulation es täte.</translation>
    </message>
    <message>
        <source>The lamp shows one lightning bolt now.</source>
        <translation>Die Lampe zeigt jetzt einen Blitz.</translation>
    </message>
    <message>
        <source>Clouds pass over the tank now and then during the day.</source>
        <translation>Tagsüber ziehen ab und zu Wolken über das Becken.</translation>
    </message>
    <message>
        <source>Lightning flashes within the bolt window; a window whose start is after its end runs across midnight.</source>
        <translation>Blitze zucken innerhalb der Gewitterzeit; eine Zeit, deren Beginn nach ihrem Ende liegt, reicht über Mitternacht.</translation>
    </message>
    <message>
        <source>(across midnight)</source>
        <translation>(über Mitternacht)</translation>
    </message>
    <message>
        <source>Bolt window start</source>
        <translation>Beginn der Gewitterzeit</translation>
    </message>
    <message>
        <source>Bolt window end</source>
        <translation>Ende der Gewitterzeit</translation>
    </message>
</context>
<context>
    <name>aq::Accessibility</name>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>Working</source>
        <translation>In Arbeit</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
</context>
<context>
    <name>aq::AppDelegate</name>
    <message>
        <source>&amp;About aqlamp</source>
        <translation>&amp;Über aqlamp</translation>
    </message>
    <message>
        <source>&amp;Firmware Update…</source>
        <translation>&amp;Firmware-Aktualisierung …</translation>
    </message>
    <message>
        <source>Show &amp;Log</source>
        <translation>&amp;Protokoll anzeigen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Stop the transfer and disconnect?</source>
        <translation>Übertragung anhalten und trennen?</translation>
    </message>
    <message>
        <source>The firmware update is still running.</source>
        <translation>Die Firmware-Aktualisierung läuft noch.</translation>
    </message>
    <message>
        <source>If you quit now, the lamp may be left unusable until its firmware is updated again.</source>
        <translation>Wenn Sie jetzt beenden, ist die Lampe vielleicht unbrauchbar, bis ihre Firmware erneut aktualisiert wird.</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
    <message>
        <source>Keep Updating</source>
        <translation>Weiter aktualisieren</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Moon</source>
        <translation>Mond</translation>
    </message>
    <message>
        <source>Weather</source>
        <translation>Wetter</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
</context>
<context>
    <name>aq::ClockNotice</name>
    <message>
        <source>Set to this computer&apos;s time</source>
        <translation>Auf die Zeit dieses Computers stellen</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>The lamp&apos;s clock shows no valid date.</source>
        <translation>Die Uhr der Lampe zeigt kein gültiges Datum.</translation>
    </message>
    <message>
        <source>The lamp&apos;s clock is %1.</source>
        <translation>Die Uhr der Lampe geht %1.</translation>
    </message>
</context>
<context>
    <name>aq::MoonFrameSheet</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Moon time frame</source>
        <translation>Zeitraum des Mondes</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Bis</translation>
    </message>
</context>
<context>
    <name>aq::NSDayAdjustment</name>
    <message>
        <source>remove point</source>
        <translation>Punkt entfernen</translation>
    </message>
    <message>
        <source>add point</source>
        <translation>Punkt hinzufügen</translation>
    </message>
    <message>
        <source>move point</source>
        <translation>Punkt verschieben</translation>
    </message>
    <message>
        <source>move curve</source>
        <translation>Kurve verschieben</translation>
    </message>
    <message>
        <source>Set point</source>
        <translation>Stützpunkt</translation>
    </message>
    <message>
        <source>adjust point</source>
        <translation>Punkt anpassen</translation>
    </message>
    <message>
        <source>Drag a point to move it, or drag beside the points to shift the whole curve. Double-click to add or remove a point; right-click a point to type its time and intensity.
Keys: Tab picks the next point, the arrow keys move it (with Shift in larger steps), Delete removes it, Insert adds one, 1 to 9 pick the channel.</source>
        <translation>Ziehen Sie einen Punkt, um ihn zu verschieben, oder ziehen Sie neben den Punkten, um die ganze Kurve zu verschieben. Doppelklicken Sie, um einen Punkt hinzuzufügen oder zu entfernen; ein Rechtsklick auf einen Punkt lässt Zeit und Helligkeit eintippen.
Tasten: Tab wählt den nächsten Punkt, die Pfeiltasten verschieben ihn (mit Umschalt in größeren Schritten), Entf entfernt ihn, Einfg fügt einen hinzu, 1 bis 9 wählen den Kanal.</translation>
    </message>
    <message>
        <source>%1, point %2 of %3: %4</source>
        <translation>%1, Punkt %2 von %3: %4</translation>
    </message>
    <message>
        <source>%1, %2 points</source>
        <translation>%1, %2 Punkte</translation>
    </message>
    <message>
        <source>Day programme chart</source>
        <translation>Diagramm des Tagesprogramms</translation>
    </message>
</context>
</TS>
